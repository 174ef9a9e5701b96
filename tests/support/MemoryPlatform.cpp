#include "tests/support/MemoryPlatform.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/Text.h"
#include "base/Utf.h"

namespace {

[[noreturn]] void Escape(const char* what, const std::u16string& path) {
    std::fprintf(stderr, "CMemoryPlatform: %s: %s\n", what, Utf16ToUtf8String(path.c_str()).c_str());
    std::abort();
}

std::u16string UpperAscii(std::u16string text) {
    for (char16_t& ch : text) {
        if (ch >= u'a' && ch <= u'z')
            ch = char16_t(ch - 32);
    }
    return text;
}

// Windows opens a device for these names in every folder: the text before
// the first dot, trailing blanks dropped, in any letter case.
bool NamesWindowsDevice(const std::u16string& part) {
    std::u16string stem = part.substr(0, part.find(u'.'));
    while (!stem.empty() && stem.back() == u' ')
        stem.pop_back();
    stem = UpperAscii(stem);
    for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
        if (stem == device)
            return true;
    }
    if (stem.size() != 4 || (stem.compare(0, 3, u"COM") != 0 && stem.compare(0, 3, u"LPT") != 0))
        return false;
    const char16_t digit = stem[3];
    return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
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
    m_strRootKey = Key(dir.c_str(), false);
    m_folders.insert(m_strRootKey);
}

void CMemoryPlatform::AddInputFile(const std::u16string& path, const std::vector<uint8_t>& content) {
    m_inputs[path] = content;
}

void CMemoryPlatform::AddFolder(const std::u16string& path) { m_folders.insert(Key(path.c_str(), false)); }

void CMemoryPlatform::AddLink(const std::u16string& path) { m_links.insert(Key(path.c_str(), false)); }

std::u16string CMemoryPlatform::Key(const char16_t* path, bool relative) const {
    const bool windows = m_eStyle == EStyle::Windows;
    std::vector<std::u16string> parts;
    std::u16string part;
    auto finish = [&]() {
        if (relative && part == u"..")
            Escape("path climbs out of its folder", path);
        if (relative && windows && !part.empty() && (part.back() == u'.' || part.back() == u' '))
            Escape("name the system would trim", path);
        if (relative && windows && (part.find(u':') != std::u16string::npos || NamesWindowsDevice(part)))
            Escape("path names a device or stream", path);
        // Windows trims trailing dots and blanks from every component.
        while (windows && !part.empty() && part != u"." && part != u".." &&
               (part.back() == u'.' || part.back() == u' '))
            part.pop_back();
        if (part == u"..") {
            if (parts.empty())
                Escape("path climbs out of its folder", path);
            parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(windows ? UpperAscii(part) : part);
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
    if (!relative && !m_strRootKey.empty() && key.compare(0, m_strRootKey.size(), m_strRootKey) != 0)
        Escape("path outside the extraction root", path);
    return key;
}

std::u16string CMemoryPlatform::ParentKey(const std::u16string& key) const {
    const size_t slash = key.rfind(u'/');
    return slash == std::u16string::npos ? u"" : key.substr(0, slash);
}

bool CMemoryPlatform::ReachableKey(const char16_t* relativePath, std::u16string& key) const {
    if (!bRootOpen)
        return false;
    key = m_strOpenRootKey + Key(relativePath, true);
    // Every level between the root and the name must be a real folder.
    for (std::u16string level = ParentKey(key); level.size() > m_strOpenRootKey.size(); level = ParentKey(level)) {
        if (!m_folders.count(level) || m_links.count(level))
            return false;
    }
    return true;
}

bool CMemoryPlatform::HasFolder(const std::u16string& path) const {
    return m_folders.count(Key(path.c_str(), false)) != 0;
}

bool CMemoryPlatform::HasFile(const std::u16string& path) const { return m_files.count(Key(path.c_str(), false)) != 0; }

std::vector<uint8_t> CMemoryPlatform::FileContent(const std::u16string& path) const {
    const auto it = m_files.find(Key(path.c_str(), false));
    return it == m_files.end() ? std::vector<uint8_t>() : it->second;
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

bool CMemoryPlatform::OpenOutputRoot(const char16_t* root) {
    bRootOpen = false;
    const std::u16string key = Key(root, false);
    if (bRootFails || !m_folders.count(key))
        return false;
    m_strOpenRootKey = key;
    m_strOpenRoot = root;
    bRootOpen = true;
    return true;
}

namespace {

// A writer of the model: every write under the platform's lock.
class CMemoryWriter final : public IFileWriter {
public:
    CMemoryWriter(CMemoryPlatform& platform, unsigned seed) : m_platform(platform), m_nSeed(seed) {}
    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override {
        if (m_platform.bJitterWriters) {
            m_nSeed = m_nSeed * 1103515245u + 12345u;
            std::this_thread::sleep_for(std::chrono::microseconds(m_nSeed >> 16 & 255));
        }
        return m_platform.WriteNewFile(relativePath, data, size);
    }

private:
    CMemoryPlatform& m_platform;
    unsigned m_nSeed;
};

}  // namespace

void CMemoryPlatform::CloseOutputRoot() {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_nWriters != 0)
        Escape("the output root let go of while writers hold it", u"");
    bRootOpen = false;
}

IFileWriter* CMemoryPlatform::OpenWriter() {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (bNoWriters || !bRootOpen)
        return nullptr;
    ++m_nWriters;
    ++nWritersOpened;
    return new CMemoryWriter(*this, unsigned(nWritersOpened));
}

void CMemoryPlatform::CloseWriter(IFileWriter* writer) {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!writer)
        return;
    // Every writer is given back before the root is let go of.
    if (!bRootOpen)
        Escape("a writer outlived the output root", u"");
    --m_nWriters;
    delete static_cast<CMemoryWriter*>(writer);
}

EDirResult CMemoryPlatform::CreateDir(const char16_t* relativePath) {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    ++nCreateDirCalls;
    std::u16string key;
    if (!ReachableKey(relativePath, key))
        return EDirResult::Failed;
    if (m_links.count(key))
        return EDirResult::Link;
    if (m_folders.count(key))
        return EDirResult::Exists;
    if (m_files.count(key) || !m_folders.count(ParentKey(key)))
        return EDirResult::Failed;
    m_folders.insert(key);
    return EDirResult::Created;
}

EWriteResult CMemoryPlatform::WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::u16string key;
    if (!ReachableKey(relativePath, key) || key == m_strOpenRootKey || !m_folders.count(ParentKey(key)))
        return EWriteResult::CannotCreate;
    if (m_folders.count(key) || m_links.count(key) || m_files.count(key))
        return EWriteResult::Exists;
    if (bFailWrites)
        return EWriteResult::WriteFailed;
    m_files[key] = std::vector<uint8_t>(data, data + size);
    m_written.push_back(m_strOpenRoot + relativePath);
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
    if (block) {
        ++nLiveBlocks;
        ++nBlocksTaken;
    }
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

void CMemoryPlatform::ToNativeSeparators(char16_t* path) {
    if (m_eStyle == EStyle::Posix) {
        for (; *path; ++path) {
            if (*path == u'\\')
                *path = u'/';
        }
    }
}

