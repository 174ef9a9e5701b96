#include "platform/FolderReader.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/FolderChain.h"
#include "platform/PlatformPosix.h"
#include "base/Utf.h"

namespace {

// Never blocks on a pipe, never makes a terminal the controlling one, never
// follows a link in the last component.
constexpr int kOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

EItemKind KindOf(const struct stat& st) {
    return S_ISREG(st.st_mode)   ? EItemKind::File
           : S_ISDIR(st.st_mode) ? EItemKind::Folder
           : S_ISLNK(st.st_mode) ? EItemKind::Link
                                 : EItemKind::Other;
}

// Why the file `name` in `folder` could not be opened: told by the open
// itself where it can (what stands there now may have changed since).
ESourceResult WhyNotOpened(int folder, const char* name, int error) {
    if (error == ENOENT)
        return ESourceResult::Missing;
    if (error == ELOOP)
        return ESourceResult::Link;
    struct stat st;
    if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? ESourceResult::Missing : ESourceResult::Failed;
    if (S_ISLNK(st.st_mode))
        return ESourceResult::Link;
    return S_ISREG(st.st_mode) ? ESourceResult::Failed : ESourceResult::NotFile;
}

// Opens the folder `name` in `parent`. What stands there is opened as a path
// first (which never follows a link, nor opens a device or a pipe) and
// looked at by that handle; a real folder is then opened through it, so
// that nothing swapped in meanwhile can take its place. -1 with `failure`
// set when it is no folder.
int OpenFolderAt(int parent, const char* name, ESourceResult& failure) {
    const int path = openat(parent, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (path < 0) {
        failure = errno == ENOENT ? ESourceResult::Missing : ESourceResult::Failed;
        return -1;
    }
    struct stat st;
    int fd = -1;
    if (fstat(path, &st) != 0)
        failure = ESourceResult::Failed;
    else if (!S_ISDIR(st.st_mode))
        failure = S_ISLNK(st.st_mode) ? ESourceResult::Link : ESourceResult::NotFolder;
    else if ((fd = openat(path, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) < 0)
        failure = ESourceResult::Failed;
    close(path);
    return fd;
}

// Reads exactly `size` bytes; false when the file ends earlier or fails.
bool ReadExactly(int fd, uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = read(fd, data + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += size_t(got);
    }
    return true;
}

}  // namespace

struct CFolderReader::SState final : CFolderChain::IOpener {
    SState() : chain(*this, ESeparators::SlashOnly) {}
    ~SState() { chain.Close(); }
    SState(const SState&) = delete;
    SState& operator=(const SState&) = delete;

    CFolderChain::Handle OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) override {
        char native[kNativePathBytes];
        if (!ComponentToNativeName(name, native)) {
            failure = ESourceResult::Failed;
            return CFolderChain::kNoHandle;
        }
        const int fd = OpenFolderAt(int(parent), native, failure);
        return fd < 0 ? CFolderChain::kNoHandle : fd;
    }
    void CloseFolder(CFolderChain::Handle folder) override { close(int(folder)); }

    // The folder at path, held by the chain; kNoHandle with `failure` set.
    int Folder(const std::u16string& path) {
        failure = ESourceResult::Failed;
        return int(chain.HeldFolder(path.c_str(), path.size()));
    }

    CFolderChain chain;
    ESourceResult failure = ESourceResult::Failed;  // why the last level was not opened
};

CFolderReader::CFolderReader() : m_pState(new SState) {}

CFolderReader::~CFolderReader() = default;

ESourceResult CFolderReader::OpenRoot(const std::u16string& root) {
    m_pState->chain.Close();
    char native[kNativePathBytes];
    if (!Utf16ToNativeName(root.c_str(), native, sizeof native))
        return ESourceResult::Failed;
    ESourceResult failure = ESourceResult::Failed;
    const int fd = OpenFolderAt(AT_FDCWD, native, failure);
    if (fd < 0)
        return failure;
    m_pState->chain.SetRoot(fd);
    return ESourceResult::Ok;
}

void CFolderReader::Close() { m_pState->chain.Close(); }

ESourceResult CFolderReader::ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) {
    const int folder = m_pState->Folder(path);
    if (folder < 0)
        return m_pState->failure;
    // A descriptor of its own for the listing: the held one keeps its place.
    const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            close(fd);
        return ESourceResult::Failed;
    }
    ESourceResult result = ESourceResult::Ok;
    errno = 0;
    while (const dirent* found = readdir(dir)) {
        if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
            continue;
        struct stat st;
        if (fstatat(dirfd(dir), found->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;  // gone since it was listed
            result = ESourceResult::Failed;
            break;
        }
        items.push_back({NativeNameToUtf16String(found->d_name), KindOf(st), int64_t(st.st_size)});
        errno = 0;
    }
    if (result == ESourceResult::Ok && errno != 0)
        result = ESourceResult::Failed;
    closedir(dir);
    return result;
}

ESourceResult CFolderReader::ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, int64_t limit) {
    bytes.clear();
    SPathComponent name;
    EPathSplit split;
    m_pState->failure = ESourceResult::Failed;
    const int folder = int(m_pState->chain.OpenParent(path.c_str(), name, split));
    if (split == EPathSplit::Root)
        return ESourceResult::NotFile;
    if (folder < 0)
        return m_pState->failure;
    char native[kNativePathBytes];
    if (!ComponentToNativeName(name, native))
        return ESourceResult::Failed;
    // What stands there is looked at first, so that a device or a pipe is
    // never opened at all; the open then checks it again by its handle.
    struct stat before;
    if (fstatat(folder, native, &before, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? ESourceResult::Missing : ESourceResult::Failed;
    if (KindOf(before) != EItemKind::File)
        return KindOf(before) == EItemKind::Link ? ESourceResult::Link : ESourceResult::NotFile;
    const int fd = openat(folder, native, kOpenFlags);
    if (fd < 0)
        return WhyNotOpened(folder, native, errno);
    struct stat st;
    ESourceResult result = ESourceResult::Ok;
    if (fstat(fd, &st) != 0)
        result = ESourceResult::Failed;
    else if (!S_ISREG(st.st_mode))
        result = ESourceResult::NotFile;
    else if (st.st_size >= limit || st.st_size >= INT64_C(0x7FFFFFFF))
        result = ESourceResult::TooLarge;
    if (result == ESourceResult::Ok) {
        bytes.resize(size_t(st.st_size));
        if (!ReadExactly(fd, bytes.data(), bytes.size())) {
            bytes.clear();
            result = ESourceResult::Failed;  // it shrank, or the read failed
        }
    }
    close(fd);
    return result;
}
