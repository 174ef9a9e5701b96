#include "packcli/DiskFolderSource.h"

#include "console/Console.h"

namespace {

EItemKind ItemKind(EConsolePathKind kind) {
    return kind == EConsolePathKind::File ? EItemKind::File : kind == EConsolePathKind::Folder ? EItemKind::Folder
                                                                                               : EItemKind::Other;
}

}  // namespace

std::u16string CDiskFolderSource::FullPath(const std::u16string& path) const {
    std::u16string full = path.empty() ? m_strRoot : m_strRoot + u'/' + path;
    m_platform.ToNativeSeparators(&full[0]);
    return full;
}

ESourceResult CDiskFolderSource::ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) {
    const std::u16string full = FullPath(path);
    if (ConsolePathItem(full).eKind != EConsolePathKind::Folder)
        return ESourceResult::Missing;
    std::vector<SConsoleItem> found;
    if (!ConsoleListFolder(full, found))
        return ESourceResult::Failed;
    for (const SConsoleItem& item : found)
        items.push_back({item.strName, ItemKind(item.eKind), item.nSize});
    return ESourceResult::Ok;
}

ESourceResult CDiskFolderSource::ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) {
    const std::u16string full = FullPath(path);
    bytes.clear();
    if (ConsoleReadFile(full, bytes, kMaxSourceFileSize))
        return ESourceResult::Ok;
    // Only a file that was not read is looked at again, to say why.
    const SConsoleItem item = ConsolePathItem(full);
    if (item.eKind == EConsolePathKind::None)
        return ESourceResult::Missing;
    return item.eKind == EConsolePathKind::File && item.nSize >= kMaxSourceFileSize ? ESourceResult::TooLarge
                                                                                      : ESourceResult::Failed;
}
