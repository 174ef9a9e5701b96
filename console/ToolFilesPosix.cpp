#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Utf.h"
#include "console/ToolFiles.h"

namespace {

EPathKind KindOf(const struct stat& st) {
    return S_ISREG(st.st_mode) ? EPathKind::File : S_ISDIR(st.st_mode) ? EPathKind::Folder
                                                                              : EPathKind::Other;
}

}  // namespace

long long FileSizeAt(const std::u16string& path) {
    char native[PATH_MAX];
    struct stat st;
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native) || stat(native, &st) != 0)
        return -1;
    return (long long)st.st_size;
}

bool ResolveExistingPath(const std::u16string& path, std::u16string& absolute, bool& isFolder) {
    char resolved[PATH_MAX];
    struct stat st;
    char native[PATH_MAX];
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native) || !realpath(native, resolved) ||
        stat(resolved, &st) != 0)
        return false;
    isFolder = S_ISDIR(st.st_mode);
    absolute = NativeNameToUtf16String(resolved);
    return true;
}

EFileRead ReadFileAt(const std::u16string& path, std::vector<uint8_t>& bytes, bool followLink, long long limit) {
    bytes.clear();
    char native[PATH_MAX];
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native))
        return EFileRead::Unreadable;
    // O_NONBLOCK: a pipe put in a file's place is refused below, not waited on.
    const int fd = open(native, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? EFileRead::Missing : EFileRead::Unreadable;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < 0x7FFFFFFF && st.st_size < limit;
    if (ok) {
        bytes.resize(size_t(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            ok = got > 0;
            done += ok ? size_t(got) : 0;
        }
    }
    close(fd);
    return ok ? EFileRead::Ok : EFileRead::Unreadable;
}

bool FileIdentityAt(const std::u16string& path, SFileIdentity& identity) {
    char native[PATH_MAX];
    struct stat st;
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native) || stat(native, &st) != 0)
        return false;
    identity.nDevice = uint64_t(st.st_dev);
    identity.nIndex = uint64_t(st.st_ino);
    return true;
}

SPathItem PathItemAt(const std::u16string& path) {
    SPathItem item;
    char native[PATH_MAX];
    struct stat st;
    if (Utf16ToNativeName(path.c_str(), native, sizeof native) && lstat(native, &st) == 0) {
        item.eKind = KindOf(st);
        item.nSize = (long long)st.st_size;
    }
    return item;
}

EReadFailure ProbeInputFile(const std::u16string& path, std::u16string& systemText) {
    char native[PATH_MAX];
    struct stat st;
    if (!Utf16ToNativeName(path.c_str(), native, sizeof native)) {
        errno = ENAMETOOLONG;
    } else if (stat(native, &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return EReadFailure::Folder;
        if (S_ISREG(st.st_mode) && st.st_size >= 0x80000000LL)
            return EReadFailure::TooLarge;
        const int fd = open(native, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
            if (S_ISREG(st.st_mode))
                return EReadFailure::None;
            systemText = u"not a regular file";
            return EReadFailure::CannotRead;
        }
    } else if (errno == ENOENT || errno == ENOTDIR) {
        return EReadFailure::NotFound;
    }
    systemText = Utf8ToUtf16String(std::strerror(errno));
    return EReadFailure::CannotRead;
}

bool ReplaceFileAt(const std::u16string& from, const std::u16string& to) {
    char nativeFrom[PATH_MAX], nativeTo[PATH_MAX];
    return Utf16ToNativeName(from.c_str(), nativeFrom, sizeof nativeFrom) &&
           Utf16ToNativeName(to.c_str(), nativeTo, sizeof nativeTo) && std::rename(nativeFrom, nativeTo) == 0;
}

bool RemoveFileAt(const std::u16string& path) {
    char native[PATH_MAX];
    return Utf16ToNativeName(path.c_str(), native, sizeof native) && unlink(native) == 0;
}
