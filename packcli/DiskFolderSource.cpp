#include "packcli/DiskFolderSource.h"

#include "console/Console.h"

namespace {

EItemKind ItemKind(EConsolePathKind kind) {
    return kind == EConsolePathKind::File ? EItemKind::File : kind == EConsolePathKind::Folder ? EItemKind::Folder
                                                                                               : EItemKind::Other;
}

}  // namespace

bool ReadWholeFileInto(IPlatform& platform, const std::u16string& path, std::vector<uint8_t>& bytes) {
    SInputFile file;
    const bool read = platform.ReadWholeFile(path.c_str(), file);
    if (read)
        bytes.assign(file.pData, file.pData + file.nSize);
    platform.ReleaseInputFile(file);
    return read;
}

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
    const SConsoleItem item = ConsolePathItem(full);
    if (item.eKind == EConsolePathKind::None)
        return ESourceResult::Missing;
    if (item.eKind != EConsolePathKind::File)
        return ESourceResult::Failed;
    if (item.nSize >= kMaxSourceFileSize)
        return ESourceResult::TooLarge;
    bytes.clear();
    if (item.nSize == 0)
        return ESourceResult::Ok;  // the platform reads no empty file: there is no block to give
    return ReadWholeFileInto(m_platform, full, bytes) ? ESourceResult::Ok : ESourceResult::Failed;
}
