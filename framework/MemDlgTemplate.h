// CMemDlgTemplateT: builds an extended dialog template (DLGTEMPLATEEX and its
// DLGITEMTEMPLATEEX items) in a movable, zero-filled global memory block, so
// that every dialog is laid out in the UI font chosen at start-up.
//
// Owned by its dialog object (CIndirectDialogImpl). BeginTemplate once, then
// AppendControl per control. When memory cannot be obtained or the template
// would outgrow its format, the builder stops and HasFailed() turns true: a
// failed template must never be shown, and Reset() discards it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "framework/WinTraits.h"

// The predefined control classes, by atom.
enum EControlClass : WORD {
    kClassButton = 0x0080,
    kClassEdit = 0x0081,
    kClassStatic = 0x0082,
    kClassListBox = 0x0083,
};

template <class TWinTraits>
class CMemDlgTemplateT {
public:
    enum : size_t {
        kGrowStep = 1024,
        kItemCountOffset = 16,  // the item count's place in the header
    };

    CMemDlgTemplateT() = default;
    ~CMemDlgTemplateT() { Reset(); }
    CMemDlgTemplateT(const CMemDlgTemplateT&) = delete;
    CMemDlgTemplateT& operator=(const CMemDlgTemplateT&) = delete;

    // Header, empty menu and class, title and, when a face is given, the font
    // fields. DS_SETFONT follows whether a face is given.
    void BeginTemplate(const WCHAR* caption, short x, short y, short cx, short cy, DWORD style, DWORD exStyle,
                       const WCHAR* fontFace, WORD pointSize, WORD weight, BYTE italic, BYTE charset) {
        style = fontFace ? (style | DS_SETFONT) : (style & ~DWORD(DS_SETFONT));
        AppendWord(1);       // version
        AppendWord(0xFFFF);  // signature
        AppendDword(0);      // help id
        AppendDword(exStyle);
        AppendDword(style);
        AppendWord(0);  // item count
        AppendShorts(x, y, cx, cy);
        AppendWord(0);  // menu
        AppendWord(0);  // window class
        AppendString(caption);
        if (fontFace) {
            AppendWord(pointSize);
            AppendWord(weight);
            AppendBytes(&italic, 1);
            AppendBytes(&charset, 1);
            AppendString(fontFace);
        }
    }

    // One control item on the next 4-byte boundary. text is null for none, a
    // resource id (MAKEINTRESOURCEW) or a string.
    void AppendControl(WORD classAtom, WORD id, short x, short y, short cx, short cy, DWORD style, DWORD exStyle,
                       const WCHAR* text) {
        if (!m_pBase || m_bFailed)
            return;
        WORD count;
        std::memcpy(&count, m_pBase + kItemCountOffset, sizeof count);
        if (count == 0xFFFF) {  // the format counts items in 16 bits
            m_bFailed = true;
            return;
        }
        const size_t aligned = (GetTemplateSize() + 3) & ~size_t(3);
        static const BYTE zeros[3] = {};
        AppendBytes(zeros, aligned - GetTemplateSize());
        if (m_bFailed)
            return;
        ++count;
        std::memcpy(m_pBase + kItemCountOffset, &count, sizeof count);
        AppendDword(0);  // help id
        AppendDword(exStyle);
        AppendDword(TWinTraits::GetWndStyle(style));
        AppendShorts(x, y, cx, cy);
        AppendDword(id);
        AppendWord(0xFFFF);
        AppendWord(classAtom);
        if (!text) {
            AppendWord(0);
        } else if (IS_INTRESOURCE(text)) {
            AppendWord(0xFFFF);
            AppendWord(WORD(reinterpret_cast<uintptr_t>(text)));
        } else {
            AppendString(text);
        }
        AppendWord(0);  // creation data
    }

    // Appends size bytes, growing the block in 1024-byte steps. False (and
    // failed from then on) when memory cannot be had.
    bool AppendBytes(const void* data, size_t size) {
        if (m_bFailed)
            return false;
        const size_t used = GetTemplateSize();
        if (!m_hBlock) {
            if (!Grow(0, size))
                return Fail();
        } else if (size > m_nCapacity - used) {
            if (!Grow(m_nCapacity, size))
                return Fail();
        }
        if (size)
            std::memcpy(m_pBase + used, data, size);
        m_pWrite = m_pBase + used + size;
        return true;
    }

    bool IsTemplateBuilt() const { return m_pBase != nullptr; }
    bool HasFailed() const { return m_bFailed; }
    const DLGTEMPLATE* GetTemplatePtr() const { return reinterpret_cast<const DLGTEMPLATE*>(m_pBase); }
    size_t GetTemplateSize() const { return size_t(m_pWrite - m_pBase); }
    size_t GetCapacity() const { return m_nCapacity; }

    // Unlocks and frees the block; the builder starts over.
    void Reset() {
        if (m_hBlock) {
            ::GlobalUnlock(m_hBlock);
            ::GlobalFree(m_hBlock);
        }
        m_hBlock = nullptr;
        m_pBase = nullptr;
        m_pWrite = nullptr;
        m_nCapacity = 0;
        m_bFailed = false;
    }

private:
    // capacity + 1024 + the largest multiple of 1024 not above size, refusing
    // sizes that would wrap around.
    bool Grow(size_t capacity, size_t size) {
        const size_t step = kGrowStep + size / kGrowStep * kGrowStep;
        if (size > SIZE_MAX - 2 * kGrowStep || step > SIZE_MAX - capacity)
            return false;
        const size_t newCapacity = capacity + step;
        const size_t used = GetTemplateSize();
        if (!m_hBlock) {
            HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, newCapacity);
            if (!block)
                return false;
            BYTE* base = static_cast<BYTE*>(::GlobalLock(block));
            if (!base) {
                ::GlobalFree(block);
                return false;
            }
            m_hBlock = block;
            m_pBase = base;
        } else {
            ::GlobalUnlock(m_hBlock);
            HGLOBAL block = ::GlobalReAlloc(m_hBlock, newCapacity, GMEM_MOVEABLE | GMEM_ZEROINIT);
            if (block)
                m_hBlock = block;
            // On failure the old block is still ours: lock it again so that
            // Reset can release it the one way.
            BYTE* base = static_cast<BYTE*>(::GlobalLock(m_hBlock));
            if (!block || !base) {
                m_pBase = base;
                m_pWrite = base ? base + used : nullptr;
                return false;
            }
            m_pBase = base;
        }
        m_pWrite = m_pBase + used;
        m_nCapacity = newCapacity;
        return true;
    }

    bool Fail() {
        m_bFailed = true;
        return false;
    }

    void AppendWord(WORD value) { AppendBytes(&value, sizeof value); }
    void AppendDword(DWORD value) { AppendBytes(&value, sizeof value); }
    void AppendShorts(short x, short y, short cx, short cy) {
        const short values[4] = {x, y, cx, cy};
        AppendBytes(values, sizeof values);
    }
    // A UTF-16 string with its terminator; a lone terminator for null.
    void AppendString(const WCHAR* text) {
        if (!text)
            text = L"";
        AppendBytes(text, (std::wcslen(text) + 1) * sizeof(WCHAR));
    }

    HGLOBAL m_hBlock = nullptr;
    BYTE* m_pBase = nullptr;
    BYTE* m_pWrite = nullptr;
    size_t m_nCapacity = 0;
    bool m_bFailed = false;
};

using CMemDlgTemplate = CMemDlgTemplateT<CControlWinTraits>;
