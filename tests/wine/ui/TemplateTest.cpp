// The in-memory dialog templates, byte by byte: the prompt's whole template
// against a hand-written array, the About box's items through a reader of
// our own, the font fields for unusual faces and sizes, growth of the block
// and the refusal of templates that cannot be had whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "framework/MemDlgTemplate.h"
#include "framework/UiSettings.h"
#include "platform/SystemPlatform.h"
#include "ui/AboutDlg.h"
#include "ui/InputDlg.h"
#include "ui/MainDlg.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Sets the UI font for one test and restores the previous one.
class CFontScope {
public:
    CFontScope(const std::wstring& face, int size) : m_nOldSize(g_nFontSize) {
        wcscpy_s(m_szOldFace, g_szFontFace);
        wcscpy_s(g_szFontFace, face.c_str());
        g_nFontSize = size;
    }
    ~CFontScope() {
        wcscpy_s(g_szFontFace, m_szOldFace);
        g_nFontSize = m_nOldSize;
    }

private:
    WCHAR m_szOldFace[kFontFaceCapacity];
    int m_nOldSize;
};

// Dialog classes with their template opened up for inspection.
class CInputProbe : public CInputDlg {
public:
    using CInputDlg::m_Template;
};
class CAboutProbe : public CAboutDlg {
public:
    using CAboutDlg::m_Template;
};
class CMainProbe : public CMainDlg {
public:
    using CMainDlg::CMainDlg;
    using CMainDlg::m_Template;
};

template <class TTemplate>
Bytes BytesOf(const TTemplate& t) {
    const auto* p = reinterpret_cast<const uint8_t*>(t.GetTemplatePtr());
    return Bytes(p, p + t.GetTemplateSize());
}

// --- An independent reader of DLGTEMPLATEEX ---------------------------------

struct SItem {
    size_t offset = 0;
    uint32_t helpId = 0, exStyle = 0, style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    uint16_t classMarker = 0, classAtom = 0;
    bool textIsId = false;
    uint16_t textId = 0;
    std::wstring text;
    uint16_t creationDataSize = 0;
    bool paddingIsZero = true;
};

struct STemplate {
    uint16_t version = 0, signature = 0;
    uint32_t helpId = 0, exStyle = 0, style = 0;
    uint16_t count = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint16_t menu = 0, windowClass = 0;
    std::wstring title;
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 0;
    std::wstring face;
    std::vector<SItem> items;
    size_t end = 0;
};

class CReader {
public:
    explicit CReader(const Bytes& b) : m_b(b) {}
    template <class V>
    V Get() {
        V v{};
        if (m_pos + sizeof v > m_b.size()) {
            ADD_FAILURE() << "template ends at " << m_b.size() << " while reading at " << m_pos;
            m_pos = m_b.size();
            return v;
        }
        std::memcpy(&v, m_b.data() + m_pos, sizeof v);
        m_pos += sizeof v;
        return v;
    }
    std::wstring String() {
        std::wstring s;
        for (uint16_t c; (c = Get<uint16_t>()) != 0 && m_pos < m_b.size();)
            s.push_back(wchar_t(c));
        return s;
    }
    size_t pos() const { return m_pos; }
    void Skip(size_t n) { m_pos += n; }
    uint8_t At(size_t i) const { return m_b[i]; }

private:
    const Bytes& m_b;
    size_t m_pos = 0;
};

STemplate Parse(const Bytes& bytes) {
    CReader r(bytes);
    STemplate t;
    t.version = r.Get<uint16_t>();
    t.signature = r.Get<uint16_t>();
    t.helpId = r.Get<uint32_t>();
    t.exStyle = r.Get<uint32_t>();
    t.style = r.Get<uint32_t>();
    t.count = r.Get<uint16_t>();
    t.x = r.Get<int16_t>();
    t.y = r.Get<int16_t>();
    t.cx = r.Get<int16_t>();
    t.cy = r.Get<int16_t>();
    t.menu = r.Get<uint16_t>();
    t.windowClass = r.Get<uint16_t>();
    t.title = r.String();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.Get<uint16_t>();
        t.weight = r.Get<uint16_t>();
        t.italic = r.Get<uint8_t>();
        t.charset = r.Get<uint8_t>();
        t.face = r.String();
    }
    for (int i = 0; i < t.count; ++i) {
        SItem item;
        const size_t aligned = (r.pos() + 3) / 4 * 4;
        for (size_t p = r.pos(); p < aligned && p < bytes.size(); ++p)
            item.paddingIsZero = item.paddingIsZero && r.At(p) == 0;
        r.Skip(aligned - r.pos());
        item.offset = r.pos();
        item.helpId = r.Get<uint32_t>();
        item.exStyle = r.Get<uint32_t>();
        item.style = r.Get<uint32_t>();
        item.x = r.Get<int16_t>();
        item.y = r.Get<int16_t>();
        item.cx = r.Get<int16_t>();
        item.cy = r.Get<int16_t>();
        item.id = r.Get<uint32_t>();
        item.classMarker = r.Get<uint16_t>();
        item.classAtom = r.Get<uint16_t>();
        const uint16_t first = r.Get<uint16_t>();
        if (first == 0xFFFF) {
            item.textIsId = true;
            item.textId = r.Get<uint16_t>();
        } else if (first != 0) {
            item.text.push_back(wchar_t(first));
            item.text += r.String();
        }
        item.creationDataSize = r.Get<uint16_t>();
        t.items.push_back(item);
    }
    t.end = r.pos();
    return t;
}

// --- The prompt, every byte ---------------------------------------------------

TEST(DialogTemplate, PromptIsExactlyTheExtendedTemplate) {
    CFontScope font(L"MS Shell Dlg", 9);
    CInputProbe dlg;
    dlg.BuildTemplate();
    const Bytes expected = {
        // DLGTEMPLATEEX: version 1, signature 0xFFFF, help id 0, ex-style 0
        0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        // style 0x80C800C8 (popup, caption, system menu, modal frame, set font, fixed sys)
        0xC8, 0x00, 0xC8, 0x80,
        // 2 items; x 0, y 0, cx 320, cy 40
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x01, 0x28, 0x00,
        // offset 26: no menu, no class; title "Input text"
        0x00, 0x00, 0x00, 0x00,
        'I', 0, 'n', 0, 'p', 0, 'u', 0, 't', 0, ' ', 0, 't', 0, 'e', 0, 'x', 0, 't', 0, 0, 0,
        // offset 52: 9 points, weight 400, not italic, charset 1, "MS Shell Dlg"
        0x09, 0x00, 0x90, 0x01, 0x00, 0x01,
        'M', 0, 'S', 0, ' ', 0, 'S', 0, 'h', 0, 'e', 0, 'l', 0, 'l', 0, ' ', 0, 'D', 0, 'l', 0, 'g', 0, 0, 0,
        // offset 84 (a multiple of 4): the edit box. Help id 0, ex-style 0,
        // style 0x56810000 (child, visible, clip siblings and children, border, tab stop)
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x81, 0x56,
        // x 5, y 5, cx 310, cy 12, id 1001, class 0xFFFF 0x0081 (edit), no text, no creation data
        0x05, 0x00, 0x05, 0x00, 0x36, 0x01, 0x0C, 0x00, 0xE9, 0x03, 0x00, 0x00,
        0xFF, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00, 0x00,
        // offset 116: the OK button, style 0x56010001 (base style, tab stop, default push button)
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x56,
        // x 265, y 23, cx 50, cy 12, id 1, class 0xFFFF 0x0080 (button), "OK", no creation data
        0x09, 0x01, 0x17, 0x00, 0x32, 0x00, 0x0C, 0x00, 0x01, 0x00, 0x00, 0x00,
        0xFF, 0xFF, 0x80, 0x00, 'O', 0, 'K', 0, 0, 0, 0x00, 0x00,
    };
    EXPECT_EQ(BytesOf(dlg.m_Template), expected);
    EXPECT_EQ(dlg.m_Template.GetCapacity(), 1024u);
}

// --- The main window, every byte ----------------------------------------------

TEST(DialogTemplate, MainWindowIsExactlyTheExtendedTemplate) {
    CFontScope font(L"MS Shell Dlg", 9);
    CSystemPlatform platform;
    CMainProbe dlg(platform);
    dlg.BuildTemplate();
    const Bytes expected = {
        // DLGTEMPLATEEX: version 1, signature 0xFFFF, help id 0, ex-style 0x10 (accepts files)
        0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00,
        // style 0x00CF00C8 (overlapped window, modal frame, set font, fixed sys; not visible)
        0xC8, 0x00, 0xCF, 0x00,
        // 1 item; x 0, y 0, cx 400, cy 250
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x01, 0xFA, 0x00,
        // offset 26: no menu, no class; title "Vanto Custom File Extractor"
        0x00, 0x00, 0x00, 0x00,
        'V', 0, 'a', 0, 'n', 0, 't', 0, 'o', 0, ' ', 0, 'C', 0, 'u', 0, 's', 0, 't', 0, 'o', 0, 'm', 0, ' ', 0,
        'F', 0, 'i', 0, 'l', 0, 'e', 0, ' ', 0, 'E', 0, 'x', 0, 't', 0, 'r', 0, 'a', 0, 'c', 0, 't', 0, 'o', 0,
        'r', 0, 0, 0,
        // offset 86: 9 points, weight 400, not italic, charset 1, "MS Shell Dlg"
        0x09, 0x00, 0x90, 0x01, 0x00, 0x01,
        'M', 0, 'S', 0, ' ', 0, 'S', 0, 'h', 0, 'e', 0, 'l', 0, 'l', 0, ' ', 0, 'D', 0, 'l', 0, 'g', 0, 0, 0,
        // offset 118: padding to 120, then the list box. Help id 0, ex-style 0,
        // style 0x56A00001 (base style, border, vertical scroll bar, notify; unsorted)
        0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0xA0, 0x56,
        // x 5, y 5, cx 390, cy 240, id 1000, class 0xFFFF 0x0083 (list box), no text, no creation data
        0x05, 0x00, 0x05, 0x00, 0x86, 0x01, 0xF0, 0x00, 0xE8, 0x03, 0x00, 0x00,
        0xFF, 0xFF, 0x83, 0x00, 0x00, 0x00, 0x00, 0x00,
    };
    EXPECT_EQ(BytesOf(dlg.m_Template), expected);
}

// --- The About box through the reader ------------------------------------------

TEST(DialogTemplate, AboutBoxHeaderAndItemsInOrder) {
    CFontScope font(L"Meiryo UI", 9);
    CAboutProbe dlg;
    dlg.BuildTemplate();
    const Bytes bytes = BytesOf(dlg.m_Template);
    const STemplate t = Parse(bytes);
    EXPECT_EQ(t.version, 1);
    EXPECT_EQ(t.signature, 0xFFFF);
    EXPECT_EQ(t.helpId, 0u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.style, 0x80C800C8u);
    EXPECT_EQ(t.title, L"About");
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 187);
    EXPECT_EQ(t.cy, 102);
    EXPECT_EQ(t.menu, 0);
    EXPECT_EQ(t.windowClass, 0);
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 400);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);
    EXPECT_EQ(t.face, L"Meiryo UI");
    EXPECT_EQ(t.end, bytes.size());

    struct SExpected {
        uint16_t atom;
        uint32_t id;
        int16_t x, y, cx, cy;
        uint32_t style;
        bool textIsId;
        uint16_t textId;
        const wchar_t* text;
    };
    const SExpected rows[] = {
        {0x80, 1, 130, 81, 50, 14, 0x56010001, false, 0, L"OK"},
        {0x82, 65535, 10, 57, 108, 32, 0x56020001, false, 0,
         L"Vanto Custom File Extractor\nRelease 4 [2018/08/07]\n\nVanto Extractor contributors"},
        {0x82, 65535, 55, 26, 16, 18, 0x56000003, true, 128, L""},
        {0x80, 65535, 7, 7, 115, 88, 0x56000007, false, 0, L""},
    };
    ASSERT_EQ(t.count, 4);
    ASSERT_EQ(t.items.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const SItem& item = t.items[i];
        const SExpected& row = rows[i];
        EXPECT_EQ(item.offset % 4, 0u);
        EXPECT_TRUE(item.paddingIsZero);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.style, row.style);
        EXPECT_EQ(item.x, row.x);
        EXPECT_EQ(item.y, row.y);
        EXPECT_EQ(item.cx, row.cx);
        EXPECT_EQ(item.cy, row.cy);
        EXPECT_EQ(item.id, row.id);
        EXPECT_EQ(item.classMarker, 0xFFFF);
        EXPECT_EQ(item.classAtom, row.atom);
        EXPECT_EQ(item.textIsId, row.textIsId);
        EXPECT_EQ(item.textId, row.textId);
        EXPECT_EQ(item.text, row.text);
        EXPECT_EQ(item.creationDataSize, 0);
    }
    // The icon's text is 0xFFFF 0x0080; the group box's empty text is a
    // single 16-bit zero, just like a control without text.
    const size_t iconText = t.items[2].offset + 28;
    EXPECT_EQ(Bytes(bytes.begin() + iconText, bytes.begin() + iconText + 4), (Bytes{0xFF, 0xFF, 0x80, 0x00}));
    const size_t groupText = t.items[3].offset + 28;
    EXPECT_EQ(Bytes(bytes.begin() + groupText, bytes.end()), (Bytes{0x00, 0x00, 0x00, 0x00}));
}

// --- Font fields ------------------------------------------------------------------

TEST(DialogTemplate, FaceNameOf255CharactersGoesInWhole) {
    const std::wstring face(255, L'F');
    CFontScope font(face, 9);
    CInputProbe prompt;
    prompt.BuildTemplate();
    const STemplate t = Parse(BytesOf(prompt.m_Template));
    EXPECT_EQ(t.face, face);
    // The face ends with its terminator right before the first item's
    // alignment: 52 bytes of header and title, 6 of font fields, 256 of face.
    EXPECT_EQ(t.items.at(0).offset, (52u + 6u + 256u * 2u + 3u) / 4u * 4u);
    EXPECT_EQ(t.items.at(1).text, L"OK");

    CAboutProbe about;
    about.BuildTemplate();
    EXPECT_EQ(Parse(BytesOf(about.m_Template)).face, face);
}

TEST(DialogTemplate, PointSizeTakesTheLow16Bits) {
    const struct {
        int size;
        uint16_t written;
    } rows[] = {{9, 9}, {70000, 70000 - 65536}, {65535, 65535}, {65536, 0}, {-1, 0xFFFF}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        CFontScope font(L"Tahoma", row.size);
        CAboutProbe dlg;
        dlg.BuildTemplate();
        EXPECT_EQ(Parse(BytesOf(dlg.m_Template)).pointSize, row.written);
    }
}

TEST(DialogTemplate, NoFaceMeansNoFontFields) {
    CMemDlgTemplate t;
    t.BeginTemplate(L"T", 1, 2, 3, 4, WS_POPUP | DS_SETFONT, 0, nullptr, 9, 400, 0, 1);
    const Bytes expected = {
        0x01, 0x00, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0,
        0x00, 0x00, 0x00, 0x80,        // DS_SETFONT cleared
        0x00, 0x00, 1, 0, 2, 0, 3, 0, 4, 0,
        0, 0, 0, 0, 'T', 0, 0, 0,      // menu, class, "T" and nothing after
    };
    EXPECT_EQ(BytesOf(t), expected);
}

// --- The block ---------------------------------------------------------------------

TEST(DialogTemplate, BlockGrowsIn1024ByteStepsAndKeepsItsBytes) {
    CMemDlgTemplate t;
    Bytes pattern(3000);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = uint8_t(i * 13 + 1);
    // First block: 1024 plus the multiples of 1024 not above the size.
    ASSERT_TRUE(t.AppendBytes(pattern.data(), 26));
    EXPECT_EQ(t.GetCapacity(), 1024u);
    ASSERT_TRUE(t.AppendBytes(pattern.data() + 26, 998));  // exactly full
    EXPECT_EQ(t.GetCapacity(), 1024u);
    ASSERT_TRUE(t.AppendBytes(pattern.data() + 1024, 1));  // one more: + 1024
    EXPECT_EQ(t.GetCapacity(), 2048u);
    ASSERT_TRUE(t.AppendBytes(pattern.data() + 1025, 1975));  // + 1024 + 1024
    EXPECT_EQ(t.GetCapacity(), 4096u);
    EXPECT_EQ(BytesOf(t), pattern);

    CMemDlgTemplate big;
    ASSERT_TRUE(big.AppendBytes(pattern.data(), 3000));
    EXPECT_EQ(big.GetCapacity(), 3072u);
}

TEST(DialogTemplate, MemoryThatCannotBeHadStopsTheBuilder) {
    CMemDlgTemplate t;
    t.BeginTemplate(L"T", 0, 0, 10, 10, WS_POPUP, 0, L"Tahoma", 9, 400, 0, 1);
    ASSERT_TRUE(t.IsTemplateBuilt());
    const size_t before = t.GetTemplateSize();
    // A size whose block cannot exist (the capacity would wrap around).
    volatile size_t impossible = SIZE_MAX - 100;
    EXPECT_FALSE(t.AppendBytes(L"x", impossible));
    EXPECT_TRUE(t.HasFailed());
    t.AppendControl(kClassButton, 1, 0, 0, 1, 1, 0, 0, L"OK");
    EXPECT_FALSE(t.AppendBytes(L"x", 2));
    EXPECT_EQ(t.GetTemplateSize(), before);
    t.Reset();
    EXPECT_FALSE(t.IsTemplateBuilt());
    EXPECT_FALSE(t.HasFailed());
}

TEST(DialogTemplate, ItemCountNeverWrapsAround) {
    CMemDlgTemplate t;
    t.BeginTemplate(L"", 0, 0, 10, 10, WS_POPUP, 0, L"Tahoma", 9, 400, 0, 1);
    for (int i = 0; i < 0xFFFF; ++i)
        t.AppendControl(kClassStatic, 1, 0, 0, 1, 1, 0, 0, nullptr);
    ASSERT_FALSE(t.HasFailed());
    uint16_t count;
    std::memcpy(&count, reinterpret_cast<const uint8_t*>(t.GetTemplatePtr()) + 16, 2);
    EXPECT_EQ(count, 0xFFFF);
    t.AppendControl(kClassStatic, 1, 0, 0, 1, 1, 0, 0, nullptr);
    EXPECT_TRUE(t.HasFailed());
}

}  // namespace
