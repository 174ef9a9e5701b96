// The folder source of vanto-pack and the window's rebuild: a folder on the disk, read through
// CFolderReader (every level relative to its parent's handle, links never
// followed, pipes never opened).
#pragma once

#include "pack/FolderSource.h"
#include "platform/FolderReader.h"

class CDiskFolderSource final : public IFolderSource {
public:
    // Opens the folder (its own path, without a trailing separator) and
    // holds it for every read that follows.
    ESourceResult Open(const std::u16string& root) { return m_reader.OpenRoot(root); }

    ESourceResult ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) override {
        return m_reader.ListFolder(path, items);
    }
    ESourceResult ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override {
        return m_reader.ReadFile(path, bytes, kMaxSourceFileSize);
    }

private:
    CFolderReader m_reader;
};
