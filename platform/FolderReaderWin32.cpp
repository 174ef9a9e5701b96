#include "platform/FolderReader.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>

#include "platform/FolderChain.h"
#include "platform/NtFiles.h"

using ntfiles::AsHandle;
using ntfiles::EndsInDotOrBlank;
using ntfiles::EReparse;
using ntfiles::IsDirectory;
using ntfiles::IsLink;
using ntfiles::kAnyShare;
using ntfiles::kHoldShare;
using ntfiles::kNameInvalid;
using ntfiles::kNameNotFound;
using ntfiles::kPathNotFound;
using ntfiles::kSharingViolation;
using ntfiles::OpenRelative;

// ntdll has it on every Windows; mingw-w64's winternl.h does not declare it.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID context,
                                               PIO_STATUS_BLOCK status, PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS information, BOOLEAN single,
                                               PUNICODE_STRING mask, BOOLEAN restart);

namespace {

const NTSTATUS kNoMoreFiles = NTSTATUS(0x80000006L);
const NTSTATUS kNoSuchFile = NTSTATUS(0xC000000FL);
const FILE_INFORMATION_CLASS kFullDirectoryInformation = FILE_INFORMATION_CLASS(2);
const ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
const size_t kMaxNameLength = 32767;

// A name Windows cannot open as it stands: it would trim a trailing dot or
// blank, and refuses wildcards, quotes, redirections, separators, stream
// colons and control characters. Wine lists such Unix names all the same.
bool IsUnopenable(const char16_t* name, size_t length) {
    if (length == 0 || EndsInDotOrBlank(SPathComponent{name, length}))
        return true;
    for (size_t i = 0; i < length; ++i) {
        const char16_t ch = name[i];
        if (ch < 0x20 || ch == u'*' || ch == u'?' || ch == u'"' || ch == u'<' || ch == u'>' || ch == u'|' ||
            ch == u'\\' || ch == u'/' || ch == u':')
            return true;
    }
    return false;
}

bool IsUnopenable(const SPathComponent& name) { return IsUnopenable(name.begin, name.length); }

const WCHAR* AsWide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }

bool SameText(const WCHAR* a, const WCHAR* b, size_t length) {
    return length == 0 || CompareStringOrdinal(a, int(length), b, int(length), TRUE) == CSTR_EQUAL;
}

// A file (or folder) name as its handle tells it, from the volume's root.
struct SHandleName {
    union {
        FILE_NAME_INFO info;
        BYTE bytes[sizeof(FILE_NAME_INFO) + kMaxNameLength * sizeof(WCHAR)];
    } data;
    size_t length = 0;  // characters

    bool Read(HANDLE h) {
        if (!GetFileInformationByHandleEx(h, FileNameInfo, &data, sizeof data))
            return false;
        length = data.info.FileNameLength / sizeof(WCHAR);
        return length <= kMaxNameLength;
    }
    const WCHAR* Text() const { return data.info.FileName; }
    // Its last component; empty for a volume's root.
    const WCHAR* Last(size_t& count) const {
        size_t begin = length;
        while (begin > 0 && Text()[begin - 1] != L'\\')
            --begin;
        count = length - begin;
        return Text() + begin;
    }
};

// Reads exactly `size` bytes; false when the file ends earlier or fails.
bool ReadExactly(HANDLE h, uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const DWORD chunk = size - done > 0x40000000u ? 0x40000000u : DWORD(size - done);
        DWORD got = 0;
        if (!::ReadFile(h, data + done, chunk, &got, nullptr) || got == 0)
            return false;
        done += got;
    }
    return true;
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

struct CFolderReader::SState final : CFolderChain::IOpener {
    SState() : chain(*this, ESeparators::SlashOnly) {}
    ~SState() { chain.Close(); }
    SState(const SState&) = delete;
    SState& operator=(const SState&) = delete;

    CFolderChain::Handle OpenFolder(CFolderChain::Handle parentHandle, const SPathComponent& name) override {
        const HANDLE parent = AsHandle(parentHandle);
        if (IsUnopenable(name)) {
            failure = ESourceResult::Unopenable;
            return CFolderChain::kNoHandle;
        }
        HANDLE h;
        const WCHAR* text = AsWide(name.begin);
        NTSTATUS status =
            OpenRelative(parent, text, name.length, kFolderAccess, kHoldShare, FILE_OPEN, FILE_DIRECTORY_FILE, &h);
        if (status == kSharingViolation)
            status =
                OpenRelative(parent, text, name.length, kFolderAccess, kAnyShare, FILE_OPEN, FILE_DIRECTORY_FILE, &h);
        if (!NT_SUCCESS(status)) {
            failure = WhyNotOpened(parent, name, status, true);
            return CFolderChain::kNoHandle;
        }
        const ESourceResult checked = Check(h, parent, name, true);
        if (checked != ESourceResult::Ok) {
            failure = checked;
            CloseHandle(h);
            return CFolderChain::kNoHandle;
        }
        return reinterpret_cast<CFolderChain::Handle>(h);
    }
    void CloseFolder(CFolderChain::Handle folder) override { CloseHandle(AsHandle(folder)); }

    // The folder at path, held by the chain; null with `failure` set.
    HANDLE Folder(const std::u16string& path) {
        failure = ESourceResult::Failed;
        const CFolderChain::Handle h = chain.HeldFolder(path.c_str(), path.size());
        return h == CFolderChain::kNoHandle ? nullptr : AsHandle(h);
    }

    // Whether `opened` is the object at `name` in `parent` rather than one a
    // link there leads to. Windows opens a link itself (FILE_OPEN_REPARSE_POINT),
    // and the names agree; Wine opens a Unix symbolic link's target whatever
    // the options say, shows no reparse point on the handle, and names the
    // handle after the target.
    enum class EPlace { Here, Elsewhere, Unknown };
    EPlace PlaceOf(HANDLE opened, HANDLE parent, const SPathComponent& name) {
        if (!parentName.Read(parent) || !openedName.Read(opened))
            return EPlace::Unknown;
        const size_t folder = parentName.length;
        const bool separator = folder == 0 || parentName.Text()[folder - 1] != L'\\';
        const size_t expected = folder + (separator ? 1 : 0) + name.length;
        const WCHAR* text = openedName.Text();
        return openedName.length == expected && SameText(text, parentName.Text(), folder) &&
                       (!separator || text[folder] == L'\\') &&
                       SameText(text + expected - name.length, AsWide(name.begin), name.length)
                   ? EPlace::Here
                   : EPlace::Elsewhere;
    }

    // What the open handle `h` of `name` in `parent` is, against what was wanted.
    ESourceResult Check(HANDLE h, HANDLE parent, const SPathComponent& name, bool wantFolder) {
        if (IsLink(h))
            return ESourceResult::Link;
        switch (PlaceOf(h, parent, name)) {
        case EPlace::Here: break;
        case EPlace::Elsewhere: return ESourceResult::Link;
        case EPlace::Unknown: return ESourceResult::Failed;
        }
        const bool folder = IsDirectory(h);
        if (wantFolder)
            return folder ? ESourceResult::Ok : ESourceResult::NotFolder;
        // Wine opens a Unix pipe or device as a file, and tells it by its type.
        return !folder && GetFileType(h) == FILE_TYPE_DISK ? ESourceResult::Ok : ESourceResult::NotFile;
    }

    // Why `name` in `parent` could not be opened as what was wanted.
    ESourceResult WhyNotOpened(HANDLE parent, const SPathComponent& name, NTSTATUS status, bool wantFolder) {
        if (status == kNameNotFound || status == kPathNotFound)
            return ESourceResult::Missing;
        if (status == kNameInvalid)
            return ESourceResult::Unopenable;
        HANDLE h;
        status =
            OpenRelative(parent, AsWide(name.begin), name.length, FILE_READ_ATTRIBUTES, kAnyShare, FILE_OPEN, 0, &h);
        if (!NT_SUCCESS(status))
            return status == kNameNotFound ? ESourceResult::Missing : ESourceResult::Failed;
        const ESourceResult result = Check(h, parent, name, wantFolder);
        CloseHandle(h);
        // It is what was wanted and still did not open (shared, denied, ...).
        return result == ESourceResult::Ok ? ESourceResult::Failed : result;
    }

    // The handle to read `file` (`name` in `folder`) through: itself, or where
    // its reparse point belongs to a filter (compression, deduplication, cloud
    // storage) that holds its content, the file opened again through that
    // filter. The first handle shares reading only, so the name can be neither
    // renamed nor replaced meanwhile, and the file index proves the same file.
    ESourceResult Readable(HANDLE file, HANDLE folder, const SPathComponent& name, HANDLE& through) {
        through = nullptr;
        DWORD attributes = 0;
        if (!ntfiles::ReadAttributes(file, attributes))
            return ESourceResult::Failed;
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return ESourceResult::Ok;
        const NTSTATUS status = OpenRelative(folder, AsWide(name.begin), name.length, GENERIC_READ, FILE_SHARE_READ,
                                             FILE_OPEN, FILE_NON_DIRECTORY_FILE, &through, EReparse::ThroughFilter);
        if (NT_SUCCESS(status) && SameFile(file, through))
            return ESourceResult::Ok;
        if (NT_SUCCESS(status))
            CloseHandle(through);
        through = nullptr;
        return ESourceResult::Failed;
    }

    CFolderChain chain;
    ESourceResult failure = ESourceResult::Failed;  // why the last level was not opened
    SHandleName parentName, openedName;
    alignas(LONGLONG) BYTE listing[65536];
};

CFolderReader::CFolderReader() : m_pState(new SState) {}

CFolderReader::~CFolderReader() = default;

ESourceResult CFolderReader::OpenRoot(const std::u16string& root) {
    m_pState->chain.Close();
    if (root.empty() || root.size() > kMaxNameLength || root.find(u'\0') != std::u16string::npos)
        return root.empty() ? ESourceResult::Missing : ESourceResult::Failed;
    // The user's own folder: links above it are followed, one at its last
    // component is opened itself and refused.
    const DWORD access = kFolderAccess | SYNCHRONIZE;
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE h = CreateFileW(AsWide(root.c_str()), access, kHoldShare, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        h = CreateFileW(AsWide(root.c_str()), access, kAnyShare, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ESourceResult::Missing
               : error == ERROR_INVALID_NAME                                   ? ESourceResult::Unopenable
                                                                               : ESourceResult::Failed;
    }
    // Wine follows a Unix symbolic link there all the same; the handle's name
    // then ends in the target's name (see PlaceOf).
    ESourceResult result = IsLink(h) ? ESourceResult::Link : ESourceResult::Ok;
    std::u16string full(kMaxNameLength + 1, u'\0');
    const DWORD length =
        GetFullPathNameW(AsWide(root.c_str()), DWORD(full.size()), reinterpret_cast<WCHAR*>(&full[0]), nullptr);
    if (result == ESourceResult::Ok && (length == 0 || length >= full.size() || !m_pState->openedName.Read(h)))
        result = ESourceResult::Failed;
    if (result == ESourceResult::Ok) {
        full.resize(length);
        while (!full.empty() && (full.back() == u'\\' || full.back() == u'/'))
            full.pop_back();
        const size_t slash = full.find_last_of(u"\\/");
        const std::u16string given = slash == std::u16string::npos ? full : full.substr(slash + 1);
        size_t count = 0;
        const WCHAR* opened = m_pState->openedName.Last(count);
        // A drive's or a volume's root has no last component to compare.
        if (count > 0 && given.find(u':') == std::u16string::npos &&
            (count != given.size() || !SameText(opened, AsWide(given.c_str()), count)))
            result = ESourceResult::Link;
    }
    if (result == ESourceResult::Ok && !IsDirectory(h))
        result = ESourceResult::NotFolder;
    if (result != ESourceResult::Ok) {
        CloseHandle(h);
        return result;
    }
    m_pState->chain.SetRoot(reinterpret_cast<CFolderChain::Handle>(h));
    return ESourceResult::Ok;
}

void CFolderReader::Close() { m_pState->chain.Close(); }

ESourceResult CFolderReader::ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) {
    const HANDLE folder = m_pState->Folder(path);
    if (!folder)
        return m_pState->failure;
    // A handle of its own for the listing, so that every listing starts at
    // the beginning: an empty name relative to the folder opens the folder.
    UNICODE_STRING empty = {0, 0, nullptr};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &empty, 0, folder, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE list;
    const ULONG options = FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT;
    if (!NT_SUCCESS(NtCreateFile(&list, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &io, nullptr, 0, kAnyShare,
                                 FILE_OPEN, options, nullptr, 0)))
        return ESourceResult::Failed;
    BYTE* const buffer = m_pState->listing;
    const size_t header = offsetof(FILE_FULL_DIR_INFO, FileName);
    ESourceResult result = ESourceResult::Ok;
    for (bool first = true; result == ESourceResult::Ok; first = false) {
        const NTSTATUS status = NtQueryDirectoryFile(list, nullptr, nullptr, nullptr, &io, buffer,
                                                     sizeof m_pState->listing, kFullDirectoryInformation, FALSE,
                                                     nullptr, first ? TRUE : FALSE);
        if (status == kNoMoreFiles || (first && status == kNoSuchFile))
            break;
        if (!NT_SUCCESS(status)) {
            result = ESourceResult::Failed;
            break;
        }
        const size_t filled = io.Information;
        for (size_t offset = 0;;) {
            if (filled > sizeof m_pState->listing || filled < header || offset > filled - header) {
                result = ESourceResult::Failed;  // not the layout asked for
                break;
            }
            const auto* entry = reinterpret_cast<const FILE_FULL_DIR_INFO*>(buffer + offset);
            if (entry->FileNameLength / sizeof(WCHAR) > (filled - offset - header) / sizeof(WCHAR)) {
                result = ESourceResult::Failed;
                break;
            }
            const auto* name = reinterpret_cast<const char16_t*>(entry->FileName);
            const size_t length = entry->FileNameLength / sizeof(WCHAR);
            const bool dots = (length == 1 && name[0] == u'.') || (length == 2 && name[0] == u'.' && name[1] == u'.');
            if (!dots) {
                SFolderItem item;
                item.strName.assign(name, length);
                // A reparse point's tag is in EaSize; Wine marks a Unix
                // symbolic link to a folder with no tag at all.
                const DWORD tag = entry->EaSize;
                const bool reparse = (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                if (reparse && (tag == 0 || IsReparseTagNameSurrogate(tag)))
                    item.eKind = EItemKind::Link;
                else if (IsUnopenable(name, length))
                    item.eKind = EItemKind::Unopenable;
                else if (entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    item.eKind = EItemKind::Folder;
                else
                    item.nSize = entry->EndOfFile.QuadPart;
                items.push_back(std::move(item));
            }
            if (entry->NextEntryOffset == 0)
                break;
            offset += entry->NextEntryOffset;
        }
    }
    CloseHandle(list);
    return result;
}

ESourceResult CFolderReader::ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes, int64_t limit) {
    bytes.clear();
    SPathComponent name;
    EPathSplit split;
    m_pState->failure = ESourceResult::Failed;
    const CFolderChain::Handle parent = m_pState->chain.OpenParent(path.c_str(), name, split);
    if (split == EPathSplit::Root)
        return ESourceResult::NotFile;
    if (parent == CFolderChain::kNoHandle)
        return m_pState->failure;
    const HANDLE folder = AsHandle(parent);
    if (IsUnopenable(name))
        return ESourceResult::Unopenable;
    HANDLE h;
    const NTSTATUS status = OpenRelative(folder, AsWide(name.begin), name.length, GENERIC_READ, FILE_SHARE_READ,
                                         FILE_OPEN, FILE_NON_DIRECTORY_FILE, &h);
    if (!NT_SUCCESS(status))
        return m_pState->WhyNotOpened(folder, name, status, false);
    ESourceResult result = m_pState->Check(h, folder, name, false);
    HANDLE through = nullptr;
    if (result == ESourceResult::Ok)
        result = m_pState->Readable(h, folder, name, through);
    const HANDLE reader = through ? through : h;
    FILE_STANDARD_INFO standard = {};
    if (result == ESourceResult::Ok &&
        !GetFileInformationByHandleEx(reader, FileStandardInfo, &standard, sizeof standard))
        result = ESourceResult::Failed;
    const int64_t size = standard.EndOfFile.QuadPart;
    if (result == ESourceResult::Ok && (size < 0 || size >= limit || size >= INT64_C(0x7FFFFFFF)))
        result = size < 0 ? ESourceResult::Failed : ESourceResult::TooLarge;
    if (result == ESourceResult::Ok) {
        bytes.resize(size_t(size));
        if (!ReadExactly(reader, bytes.data(), bytes.size())) {
            bytes.clear();
            result = ESourceResult::Failed;  // it shrank, or the read failed
        }
    }
    if (through)
        CloseHandle(through);
    CloseHandle(h);
    return result;
}
