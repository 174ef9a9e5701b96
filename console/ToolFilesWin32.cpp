#include <windows.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "console/ToolFiles.h"

namespace {

EPathKind KindOf(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return EPathKind::Other;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? EPathKind::Folder : EPathKind::File;
}

// The system's message for an error code, without its line end.
std::u16string SystemMessage(DWORD error) {
    WCHAR text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  512, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        --length;
    if (length == 0)
        return u"error " + std::u16string(AsChar16(std::to_wstring(error).c_str()));
    return std::u16string(AsChar16(text), length);
}

}  // namespace

EReadFailure ProbeInputFile(const std::u16string& path, std::u16string& systemText) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(AsWide(path.c_str()), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return EReadFailure::NotFound;
        systemText = SystemMessage(error);
        return EReadFailure::CannotRead;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return EReadFailure::Folder;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow >= 0x80000000u)
        return EReadFailure::TooLarge;
    const HANDLE h = CreateFileW(AsWide(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        systemText = SystemMessage(GetLastError());
        return EReadFailure::CannotRead;
    }
    CloseHandle(h);
    return EReadFailure::None;
}

EFileRead ReadFileAt(const std::u16string& path, std::vector<uint8_t>& bytes, bool followLink, long long limit) {
    bytes.clear();
    const HANDLE h = CreateFileW(AsWide(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EFileRead::Missing
                                                                              : EFileRead::Unreadable;
    }
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(h, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
              info.nFileSizeHigh == 0 && info.nFileSizeLow < 0x7FFFFFFF && info.nFileSizeLow < limit;
    if (ok) {
        bytes.resize(info.nFileSizeLow);
        DWORD done = 0;
        while (ok && done < info.nFileSizeLow) {
            DWORD got = 0;
            ok = ReadFile(h, bytes.data() + done, info.nFileSizeLow - done, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    return ok ? EFileRead::Ok : EFileRead::Unreadable;
}

bool FileIdentityAt(const std::u16string& path, SFileIdentity& identity) {
    // No access asked: only the handle's identity is read. Folders need
    // FILE_FLAG_BACKUP_SEMANTICS to be opened at all.
    const HANDLE h = CreateFileW(AsWide(path.c_str()), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != FALSE;
    CloseHandle(h);
    if (ok) {
        identity.nDevice = info.dwVolumeSerialNumber;
        identity.nIndex = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    }
    return ok;
}

long long FileSizeAt(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(AsWide(path.c_str()), GetFileExInfoStandard, &data))
        return -1;
    return (long long)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

bool ResolveExistingPath(const std::u16string& folder, std::u16string& absolute, bool& isFolder) {
    const DWORD need = GetFullPathNameW(AsWide(folder.c_str()), 0, nullptr, nullptr);
    if (need == 0)
        return false;
    std::vector<WCHAR> full(need);
    const DWORD got = GetFullPathNameW(AsWide(folder.c_str()), need, full.data(), nullptr);
    if (got == 0 || got >= need)
        return false;
    const DWORD attributes = GetFileAttributesW(full.data());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // The extraction root never ends in a separator: paths append "\name".
    std::u16string path(AsChar16(full.data()), got);
    while (path.size() > 3 && path.back() == u'\\')
        path.pop_back();
    absolute = path;
    return true;
}

SPathItem PathItemAt(const std::u16string& path) {
    SPathItem item;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(AsWide(path.c_str()), GetFileExInfoStandard, &data)) {
        item.eKind = KindOf(data.dwFileAttributes);
        item.nSize = (long long)(uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
    }
    return item;
}

bool ReplaceFileAt(const std::u16string& from, const std::u16string& to) {
    return MoveFileExW(AsWide(from.c_str()), AsWide(to.c_str()), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool RemoveFileAt(const std::u16string& path) { return DeleteFileW(AsWide(path.c_str())) != FALSE; }
