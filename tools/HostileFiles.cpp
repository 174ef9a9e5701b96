#include "tools/HostileFiles.h"

#include <string>

#include "tools/ContainerWriter.h"

namespace {

// splitmix64: the same numbers everywhere (the standard library's
// distributions differ between implementations).
class CRandom {
public:
    explicit CRandom(uint64_t state) : m_state(state) {}
    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned n) { return unsigned(Next() % n); }
    bool OneIn(unsigned n) { return Below(n) == 0; }
    template <size_t N>
    std::string Pick(const char* const (&list)[N]) {
        return list[Below(unsigned(N))];
    }

private:
    uint64_t m_state;
};

const char* const kDotNames[] = {".", "..", "...", "....", "a.", ".a", "a..", "..a", ". .", " .",
                                 ". ", "a. ", ".t", "..t", "a.b.", ".t.", "a .", ". a"};
const char* const kSeparatorNames[] = {
    ".\\", ".\\z.t", "x\\.\\y.t", "x\\y\\.", "x\\log\\.", "x\\", "x\\\\", "\\x.t", "\\\\x.t", "x\\\\y.t", "\\",
    "\\\\", "x/y.t", "./z.t", "x\\..", "x\\.", "\\.", ".\\.", "x\\ \\y.t", "x \\y.t", "x.\\y.t", "x\\.\\"};
const char* const kCmapNames[] = {
    "cmap\\", "CMAP\\", "Cmap\\x.t", "cmap\\..\\x.t", "cmap\\CON", "CMAP\\con.t", "cmap\\.", "cmap\\.\\x.t",
    "cmap\\\\x.t", "cmap\\x\\y.t", "cmap\\..", "cmap", "cmap.", "cmap\\ ", "CMAP\\.\\", "cmap\\a:b",
    "cmap/x.t", "cmapx\\y.t", "cmap\\x.t", "CMAP\\X.t", "cmap\\..\\..\\x", "cmap\\x\\"};
const char* const kBlankNames[] = {"", " ", "  ", "\t", " a.t", "a.t ", " \\x.t", "x\\ ", "\x7f", " .t"};
const char* const kDeviceNames[] = {"CON", "con.t", "PRN.txt", "AUX ", "NUL.bm", "nul", "COM1", "com9.t",
                                    "LPT1", "lpt9.tx", "CONIN$", "conout$.t", "x\\CON", "CON\\x.t", "a:b",
                                    "c:x.t", "x::$DATA", "CON .t"};
// Code page 932: 0x95 0x5C and 0x83 0x5C end in the byte of a backslash; a
// lead byte without its trail; bytes the code page does not map.
const char* const kCodePageNames[] = {"\x95\x5c.t", "\x83\x5c\\x.t", "\x95\x5c", "x\x81", "\x81",
                                      "\xff\xfe.t", "\x90\xe0\x96\xbe.t", "\x82\xa0\\\x82\xa2.t"};
const char* const kChildNames[] = {".pak", "..pak", " .pak", "x\\y.pak", "cmap\\k.pak", "CMAP\\k.pak", "k.pak",
                                   "K.PAK", "pak", "", ".", "..", "k.pak.", "k .pak", "CON.pak", "x\\.\\y.pak",
                                   ".\\k.pak", "k", "k.t", "a\\", "cmap", "cmap\\", " ", "x\\..\\k.pak"};
const char* const kExtensions[] = {".t", ".bm", ".tx", ".txt", ".bin", ".bmp", ".jpg", ".", " ", ".pak", ""};
const char* const kStems[] = {"a", "b", "x", "log", "readme", "z", "A", "X"};

enum class EContent { Text, Bitmap, Jpeg, Binary, Empty, Gzip };

Bytes Text(CRandom& random) {
    Bytes text;
    for (unsigned n = 1 + random.Below(24); n > 0; --n)
        text.push_back(uint8_t(random.OneIn(8) ? '\n' : 'a' + random.Below(26)));
    return text;
}

// Content that sets the extension extraction chooses.
Bytes Content(CRandom& random, EContent kind) {
    switch (kind) {
    case EContent::Text: return Text(random);
    case EContent::Bitmap: return MakeBitmap(1 + int(random.Below(3)), 1 + int(random.Below(2)));
    case EContent::Jpeg: return MakeJfif(20 + random.Below(30));
    case EContent::Binary: {
        Bytes binary;
        for (unsigned n = 1 + random.Below(16); n > 0; --n)
            binary.push_back(uint8_t(random.Below(32)));
        return binary;
    }
    case EContent::Empty: return Bytes();
    case EContent::Gzip: return GzipBytes(Text(random));
    }
    return Bytes();
}

Bytes AnyContent(CRandom& random) { return Content(random, EContent(random.Below(6))); }

std::string FlipCase(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return name;
}

// A name of `length` bytes (39 or 40 here), ending in an extension now and then.
std::string LongName(CRandom& random, size_t length) {
    std::string ext = random.OneIn(2) ? random.Pick(kExtensions) : "";
    std::string name;
    while (name.size() + ext.size() < length)
        name.push_back(random.OneIn(6) ? '.' : char('a' + random.Below(26)));
    return (name + ext).substr(0, length);
}

class CHostileBuilder {
public:
    explicit CHostileBuilder(CRandom& random) : m_random(random) {}
    CContainerWriter Build(int depth);

private:
    std::string HostileName();
    void AddFile(CContainerWriter& container, const std::string& name, const Bytes& content);
    void AddFilledName(CContainerWriter& container);

    CRandom& m_random;
};

std::string CHostileBuilder::HostileName() {
    std::string name;
    switch (m_random.Below(7)) {
    case 0: name = m_random.Pick(kDotNames); break;
    case 1: name = m_random.Pick(kSeparatorNames); break;
    case 2: name = m_random.Pick(kCmapNames); break;
    case 3: name = m_random.Pick(kBlankNames); break;
    case 4: name = m_random.Pick(kDeviceNames); break;
    case 5: name = m_random.Pick(kCodePageNames); break;
    default: name = m_random.Pick(kStems) + m_random.Pick(kExtensions); break;
    }
    // A name where a folder ends, or one led into a folder.
    if (m_random.OneIn(4))
        name += m_random.Pick(kStems) + m_random.Pick(kExtensions);
    if (m_random.OneIn(5))
        name = (m_random.OneIn(2) ? "cmap\\" : "x\\") + name;
    return name.substr(0, 40);
}

// Stored, or gzip whatever the content (also empty, also a container).
void CHostileBuilder::AddFile(CContainerWriter& container, const std::string& name, const Bytes& content) {
    if (m_random.OneIn(3))
        container.AddGzip(name, content);
    else
        container.Add(name, content);
}

// A name that fills its 40-byte field and runs on into the size field's
// digits: led by zeros they make names of 41 to 49 bytes.
void CHostileBuilder::AddFilledName(CContainerWriter& container) {
    const std::string name = LongName(m_random, 40);
    const Bytes payload = Content(m_random, m_random.OneIn(2) ? EContent::Text : EContent::Binary);
    std::string digits = std::to_string(50 + payload.size());
    digits.insert(0, m_random.Below(10 - unsigned(digits.size())), '0');
    container.AddRaw(MakeEntryHeader(name, digits)).AddRaw(payload);
}

CContainerWriter CHostileBuilder::Build(int depth) {
    CContainerWriter container;
    for (unsigned n = 1 + m_random.Below(depth == 0 ? 7 : 4); n > 0; --n) {
        switch (m_random.Below(10)) {
        case 0:
        case 1:
        case 2: AddFile(container, HostileName(), AnyContent(m_random)); break;
        case 3: {
            // The same name twice, or in another letter case.
            const std::string name = HostileName();
            AddFile(container, name, AnyContent(m_random));
            AddFile(container, m_random.OneIn(2) ? name : FlipCase(name), AnyContent(m_random));
            break;
        }
        case 4: {
            // An extension the content changes, and the name it would get.
            const std::string stem = m_random.Pick(kStems);
            const char* const kSniffed[] = {".t", ".bm", ".tx"};
            const std::string name = stem + m_random.Pick(kSniffed);
            container.Add(name, Content(m_random, EContent(m_random.Below(4))));
            if (m_random.OneIn(2)) {
                const char* const kChosen[] = {".txt", ".bmp", ".jpg", ".bin"};
                container.AddText(stem + m_random.Pick(kChosen), "taken");
            }
            break;
        }
        case 5:
            if (m_random.OneIn(2))
                AddFilledName(container);
            else
                container.Add(LongName(m_random, 39), AnyContent(m_random));
            break;
        case 6: {
            // Bytes after the name's NUL, which no path shows.
            const std::string hidden("a.t\0junk", 8);
            const Bytes text = Text(m_random);
            container.AddRaw(MakeEntryHeader(hidden, std::to_string(50 + text.size()))).AddRaw(text);
            break;
        }
        default:
            if (depth < 3) {
                std::string name = m_random.Pick(kChildNames);
                if (m_random.OneIn(4))
                    name = FlipCase(name);
                const CContainerWriter child = Build(depth + 1);
                if (m_random.OneIn(6))
                    container.AddGzip(name, child.Data());  // inflated, never walked
                else
                    container.AddChild(name, child);
                if (m_random.OneIn(4))
                    container.AddChild(FlipCase(name), Build(depth + 1));
            } else {
                container.AddText(m_random.Pick(kStems) + std::string(".t"), "leaf");
            }
        }
    }
    return container;
}

}  // namespace

Bytes MakeHostileFile(uint64_t seed, unsigned index) {
    CRandom random(seed * 0x100000001B3ull + index);
    CHostileBuilder builder(random);
    CContainerWriter file = builder.Build(0);
    // A file of one empty entry is no custom file: give it a second one.
    if (file.Data().size() <= 50)
        file.AddText("end.t", "end");
    return file.Data();
}
