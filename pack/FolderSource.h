// The folder tree vanto-pack reads: a seam, so that the packer never touches
// the file system itself. The tool reads the disk through CFolderReader
// (packcli/DiskFolderSource); tests and fuzzers give a tree in memory.
//
// Paths are relative to the packed folder, '/' between levels, "" for the
// folder itself. The item kinds and results are the reader's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FolderReader.h"

// No file of this size or more fits an entry (999,999,999 bytes with the
// entry's 50-byte header); such files are not read at all.
constexpr int64_t kMaxSourceFileSize = 999999999 - 50 + 1;

class IFolderSource {
public:
    // The folder's children, in no particular order.
    virtual ESourceResult ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) = 0;
    // The file's whole content; TooLarge from kMaxSourceFileSize bytes on.
    virtual ESourceResult ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) = 0;

protected:
    ~IFolderSource() = default;
};
