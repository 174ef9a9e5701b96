// The folder source of vanto-pack: a folder on the disk. Links are never
// followed: they are listed as EItemKind::Other.
#pragma once

#include "pack/FolderSource.h"
#include "platform/Platform.h"

class CDiskFolderSource final : public IFolderSource {
public:
    // root: the folder, without a trailing separator. The platform reads the
    // files; it must outlive the object.
    CDiskFolderSource(IPlatform& platform, const std::u16string& root) : m_platform(platform), m_strRoot(root) {}

    ESourceResult ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) override;
    ESourceResult ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override;

private:
    std::u16string FullPath(const std::u16string& path) const;

    IPlatform& m_platform;
    std::u16string m_strRoot;
};
