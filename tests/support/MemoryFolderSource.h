// CMemoryFolderSource: a folder tree in memory for the packer (pack/), for
// unit tests and fuzzers. Paths as IFolderSource has them: '/' between
// levels, relative to the tree's top ("").
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "pack/FolderSource.h"

class CMemoryFolderSource final : public IFolderSource {
public:
    // A file, and every folder above it.
    void AddFile(const std::u16string& path, const std::vector<uint8_t>& content) {
        files[path] = content;
        for (size_t slash = path.find(u'/'); slash != std::u16string::npos; slash = path.find(u'/', slash + 1))
            folders.insert(path.substr(0, slash));
    }

    ESourceResult ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) override {
        if (!path.empty() && !folders.count(path))
            return ESourceResult::Missing;
        const std::u16string prefix = path.empty() ? path : path + u'/';
        for (const auto& [file, content] : files) {
            if (IsChild(prefix, file))
                items.push_back({file.substr(prefix.size()), EItemKind::File, int64_t(content.size())});
        }
        for (const std::u16string& folder : folders) {
            if (IsChild(prefix, folder))
                items.push_back({folder.substr(prefix.size()), EItemKind::Folder, 0});
        }
        return ESourceResult::Ok;
    }

    ESourceResult ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override {
        const auto found = files.find(path);
        if (found == files.end())
            return ESourceResult::Missing;
        bytes = found->second;
        return ESourceResult::Ok;
    }

    std::map<std::u16string, std::vector<uint8_t>> files;
    std::set<std::u16string> folders;

private:
    static bool IsChild(const std::u16string& prefix, const std::u16string& path) {
        return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
               path.find(u'/', prefix.size()) == std::u16string::npos;
    }
};
