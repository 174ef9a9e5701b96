#include "platform/PlatformWin32.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

// char16_t and WCHAR are both UTF-16 code units on Windows.
static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 units");
const WCHAR* AsWide(const char16_t* p) { return reinterpret_cast<const WCHAR*>(p); }

void CopyBounded(const WCHAR* src, size_t length, char16_t* out, size_t capacity) {
    size_t i = 0;
    for (; i + 1 < capacity && i < length; ++i)
        out[i] = char16_t(src[i]);
    out[i] = 0;
}

}  // namespace

bool CWin32Platform::IsCodePageSupported() const { return m_nCodePage == CP_ACP || IsValidCodePage(m_nCodePage); }

bool CWin32Platform::GetCurrentDir(char16_t* buf, size_t capacity) {
    if (capacity == 0)
        return false;
    if (m_bOverride) {
        CopyBounded(AsWide(m_strFolderOverride.c_str()), m_strFolderOverride.size(), buf, capacity);
        return m_strFolderOverride.size() < capacity;
    }
    // Read into a buffer large enough for any path, so that a folder too long
    // for the caller can still be shown as far as it fits.
    static WCHAR whole[32768];
    const DWORD length = GetCurrentDirectoryW(32768, whole);
    if (length == 0 || length >= 32768) {
        buf[0] = 0;
        return false;
    }
    CopyBounded(whole, length, buf, capacity);
    return length < capacity;
}

bool CWin32Platform::ReadWholeFile(const char16_t* path, SInputFile& file) {
    const HANDLE h = CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    file.hFile = reinterpret_cast<intptr_t>(h);

    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart >= 0x80000000LL)
        return false;
    file.pData = AllocBlock(size_t(size.QuadPart));
    if (!file.pData)
        return false;
    file.nSize = int32_t(size.QuadPart);

    DWORD got = 0;
    // One read; a failure or a short count means the file cannot be extracted,
    // never that its missing bytes are zeros.
    return ReadFile(h, file.pData, DWORD(file.nSize), &got, nullptr) && got == DWORD(file.nSize);
}

void CWin32Platform::ReleaseInputFile(SInputFile& file) {
    if (file.pData)
        FreeBlock(file.pData, size_t(file.nSize));
    if (file.hFile != -1)
        CloseHandle(reinterpret_cast<HANDLE>(file.hFile));
    file = SInputFile();
}

bool CWin32Platform::CreateDir(const char16_t* path) { return CreateDirectoryW(AsWide(path), nullptr) != FALSE; }

EWriteResult CWin32Platform::WriteNewFile(const char16_t* path, const uint8_t* data, size_t size) {
    // CREATE_NEW never opens an existing file. DELETE access lets a partial
    // file be removed through its own handle, so no other file can be hit.
    const HANDLE h = CreateFileW(AsWide(path), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return EWriteResult::CannotCreate;
    DWORD written = 0;
    const bool ok = WriteFile(h, data, DWORD(size), &written, nullptr) && written == size;
    if (!ok) {
        FILE_DISPOSITION_INFO dispose = {};
        dispose.DeleteFile = TRUE;
        SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose);
    }
    CloseHandle(h);
    return ok ? EWriteResult::Written : EWriteResult::WriteFailed;
}

uint8_t* CWin32Platform::AllocBlock(size_t size) {
    if (size == 0)
        return nullptr;
    return static_cast<uint8_t*>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
}

void CWin32Platform::FreeBlock(uint8_t* block, size_t) {
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
}

void CWin32Platform::DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) {
    if (capacity == 0)
        return;
    out[0] = 0;
    if (count == 0 || count > 0x7FFFFFFF)
        return;
    const DWORD flags = m_nCodePage == CP_UTF8 ? 0 : MB_PRECOMPOSED;
    const char* source = reinterpret_cast<const char*>(bytes);
    const int needed = MultiByteToWideChar(m_nCodePage, flags, source, int(count), nullptr, 0);
    if (needed <= 0)
        return;
    // A name longer than the buffer is decoded whole, then cut: the call
    // itself would fail and give nothing at all.
    std::vector<WCHAR> whole(size_t(needed) + 1);
    const int n = MultiByteToWideChar(m_nCodePage, flags, source, int(count), whole.data(), needed);
    size_t length = n > 0 ? size_t(n) : 0;
    if (length > capacity - 1) {
        length = capacity - 1;
        if (length > 0 && whole[length - 1] >= 0xD800 && whole[length - 1] <= 0xDBFF)
            --length;  // never half a surrogate pair
    }
    CopyBounded(whole.data(), length, out, capacity);
}

void CWin32Platform::ExitProcessNow(int code) {
    std::fflush(nullptr);
    ExitProcess(UINT(code));
}
