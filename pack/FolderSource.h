// The folder tree vanto-pack reads: a seam, so that the packer never touches
// the file system itself. The tool reads the disk (packcli/DiskFolderSource);
// tests and fuzzers give a tree in memory.
//
// Paths are relative to the packed folder, '/' between levels, "" for the
// folder itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class EItemKind {
    File,    // a regular file
    Folder,  // a real folder (not a link)
    Other,   // a link, a device, a pipe, ...: nothing the format can hold
};

struct SFolderItem {
    std::u16string strName;
    EItemKind eKind = EItemKind::File;
    int64_t nSize = 0;  // bytes, for a file
};

enum class ESourceResult {
    Ok,
    Missing,   // nothing of that kind stands at the path
    TooLarge,  // a file of kMaxSourceFileSize bytes or more: not read
    Failed,    // it is there but cannot be read
};

// No file of this size or more fits an entry (999,999,999 bytes with the
// entry's 50-byte header); such files are not read at all.
constexpr int64_t kMaxSourceFileSize = 999999999 - 50 + 1;

class IFolderSource {
public:
    // The folder's children, in no particular order.
    virtual ESourceResult ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) = 0;
    // The file's whole content.
    virtual ESourceResult ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) = 0;

protected:
    ~IFolderSource() = default;
};
