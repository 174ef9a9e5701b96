#include "tests/support/MemoryPlatform.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "extract/NameSafety.h"
#include "platform/Utf.h"

namespace {

[[noreturn]] void Escape(const char* what, const std::u16string& path) {
    std::fprintf(stderr, "CMemoryPlatform: %s: %s\n", what, Utf16ToUtf8String(path.c_str()).c_str());
    std::abort();
}

}  // namespace

uint8_t* CMemoryPlatform::s_pSpare = nullptr;
size_t CMemoryPlatform::s_nSpareSize = 0;

CMemoryPlatform::CMemoryPlatform(EStyle style) : m_eStyle(style) {
    SetCurrentDir(style == EStyle::Windows ? u"C:\\out" : u"/out");
}

void CMemoryPlatform::SetCurrentDir(const std::u16string& dir) {
    m_strCurrentDir = dir;
    m_strRootKey.clear();
    m_strRootKey = Key(dir.c_str());
    m_folders.insert(m_strRootKey);
}

void CMemoryPlatform::AddInputFile(const std::u16string& path, const std::vector<uint8_t>& content) {
    m_inputs[path] = content;
}

std::u16string CMemoryPlatform::Key(const char16_t* path) const {
    const bool windows = m_eStyle == EStyle::Windows;
    std::vector<std::u16string> parts;
    std::u16string part;
    auto finish = [&]() {
        if (windows) {
            // Windows trims trailing dots and blanks from every component.
            while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) {
                if (part == u"." || part == u"..")
                    break;
                part.pop_back();
            }
        }
        if (part == u"..")
            Escape("path climbs out of its folder", path);
        if (!part.empty() && part != u".") {
            if (windows && IsUnsafeName(part.c_str(), true) && !(parts.empty() && part.size() == 2 && part[1] == u':'))
                Escape("path names a device or stream", path);
            for (char16_t& ch : part) {
                if (windows && ch >= u'A' && ch <= u'Z')
                    ch = char16_t(ch + 32);
            }
            parts.push_back(part);
        }
        part.clear();
    };
    for (const char16_t* p = path; *p; ++p) {
        if (*p == u'/' || (windows && *p == u'\\'))
            finish();
        else
            part.push_back(*p);
    }
    finish();

    std::u16string key;
    for (const std::u16string& each : parts)
        key += u"/" + each;
    if (!m_strRootKey.empty() && key.compare(0, m_strRootKey.size(), m_strRootKey) != 0)
        Escape("path outside the extraction root", path);
    return key;
}

std::u16string CMemoryPlatform::ParentKey(const std::u16string& key) const {
    const size_t slash = key.rfind(u'/');
    return slash == std::u16string::npos ? u"" : key.substr(0, slash);
}

bool CMemoryPlatform::HasFolder(const std::u16string& path) const { return m_folders.count(Key(path.c_str())) != 0; }

bool CMemoryPlatform::HasFile(const std::u16string& path) const { return m_files.count(Key(path.c_str())) != 0; }

std::vector<uint8_t> CMemoryPlatform::FileContent(const std::u16string& path) const {
    const auto it = m_files.find(Key(path.c_str()));
    return it == m_files.end() ? std::vector<uint8_t>() : it->second;
}

bool CMemoryPlatform::GetCurrentDir(char16_t* buf, size_t capacity) {
    std::u16string dir = m_strCurrentDir;
    if (bCurrentDirFails)
        dir = m_strCurrentDir + std::u16string(capacity, u'x');
    size_t i = 0;
    for (; i + 1 < capacity && i < dir.size(); ++i)
        buf[i] = dir[i];
    buf[i] = 0;
    return i == dir.size();
}

bool CMemoryPlatform::ReadWholeFile(const char16_t* path, SInputFile& file) {
    const auto it = m_inputs.find(path);
    if (it == m_inputs.end())
        return false;
    file.hFile = 1;
    ++nOpenInputs;
    file.pData = AllocBlock(it->second.size());
    if (!file.pData)
        return false;
    file.nSize = int32_t(it->second.size());
    std::memcpy(file.pData, it->second.data(), it->second.size());
    return !bShortRead;
}

void CMemoryPlatform::ReleaseInputFile(SInputFile& file) {
    if (file.pData)
        FreeBlock(file.pData, size_t(file.nSize));
    if (file.hFile != -1)
        --nOpenInputs;
    file = SInputFile();
}

bool CMemoryPlatform::CreateDir(const char16_t* path) {
    ++nCreateDirCalls;
    const std::u16string key = Key(path);
    if (m_folders.count(key) || m_files.count(key) || !m_folders.count(ParentKey(key)))
        return false;
    m_folders.insert(key);
    return true;
}

EWriteResult CMemoryPlatform::WriteNewFile(const char16_t* path, const uint8_t* data, size_t size) {
    const std::u16string key = Key(path);
    if (m_folders.count(key) || m_files.count(key) || !m_folders.count(ParentKey(key)))
        return EWriteResult::CannotCreate;
    if (bFailWrites)
        return EWriteResult::WriteFailed;
    m_files[key] = std::vector<uint8_t>(data, data + size);
    m_written.push_back(path);
    return EWriteResult::Written;
}

uint8_t* CMemoryPlatform::AllocBlock(size_t size) {
    if (size == 0 || nBlocksBeforeFailure == 0)
        return nullptr;
    if (nBlocksBeforeFailure > 0)
        --nBlocksBeforeFailure;
    uint8_t* block = nullptr;
    if (s_pSpare && s_nSpareSize == size) {
        // Big blocks come back one per written entry: reusing the last one
        // keeps the fuzzer fast. The engine must not rely on its content.
        block = s_pSpare;
        s_pSpare = nullptr;
        std::memset(block, 0xA5, size < 4096 ? size : 4096);
    } else {
        block = static_cast<uint8_t*>(std::calloc(1, size));
    }
    if (block)
        ++nLiveBlocks;
    return block;
}

void CMemoryPlatform::FreeBlock(uint8_t* block, size_t size) {
    if (!block)
        return;
    --nLiveBlocks;
    if (size >= 1024 * 1024 && !s_pSpare) {
        s_pSpare = block;
        s_nSpareSize = size;
    } else {
        std::free(block);
    }
}

void CMemoryPlatform::DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) {
    // Windows-1252's printable range is close enough to Latin-1 for tests.
    size_t i = 0;
    for (; i < count && i + 1 < capacity; ++i)
        out[i] = bytes[i];
    out[i] = 0;
}

void CMemoryPlatform::ToNativeSeparators(char16_t* path) {
    if (m_eStyle == EStyle::Posix) {
        for (; *path; ++path) {
            if (*path == u'\\')
                *path = u'/';
        }
    }
}

void CMemoryPlatform::ExitProcessNow(int code) {
    std::fflush(nullptr);
    _exit(code);
}
