#include "platform/SystemPlatform.h"

#include <windows.h>
#include <winternl.h>

#include <atomic>
#include <cstdio>
#include <new>
#include <cstring>

#include "base/Text.h"
#include "platform/NtFiles.h"

using ntfiles::AsHandle;
using ntfiles::EndsInDotOrBlank;
using ntfiles::IsDirectory;
using ntfiles::IsLink;
using ntfiles::kAnyShare;
using ntfiles::kHoldShare;
using ntfiles::kNameCollision;
using ntfiles::kNameInvalid;
using ntfiles::kNameNotFound;
using ntfiles::kSharingViolation;
using ntfiles::OpenRelative;

namespace {

// Code pages that MultiByteToWideChar accepts only without MB_PRECOMPOSED.
bool TakesNoFlags(unsigned codePage) {
    return (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011) ||
           codePage == 65000 || codePage == 65001 || codePage == 54936 || codePage == 42;
}

bool SetDeleteOnClose(HANDLE h, bool remove) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(h, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// Gives the open file `name` in `folder`, never replacing a file there: as
// its new name (FileRenameInformation) or as a further link to it
// (FileLinkInformation, which has the same layout).
NTSTATUS NameWithoutReplacing(HANDLE file, HANDLE folder, const SPathComponent& name, FILE_INFORMATION_CLASS how) {
    union {
        FILE_RENAME_INFORMATION info;
        char bytes[sizeof(FILE_RENAME_INFORMATION) + 260 * sizeof(WCHAR)];
    } rename = {};
    if (name.length >= 260)
        return kNameInvalid;
    rename.info.ReplaceIfExists = FALSE;
    rename.info.RootDirectory = folder;
    rename.info.FileNameLength = ULONG(name.length * sizeof(WCHAR));
    std::memcpy(rename.info.FileName, name.begin, name.length * sizeof(WCHAR));
    IO_STATUS_BLOCK status;
    return NtSetInformationFile(file, &status, &rename, sizeof rename, how);
}

// Whether the volume of `folder` keeps several links to one file: it says
// so, or it is NTFS (as Wine calls every volume, without the flag).
bool HasHardLinks(HANDLE folder) {
    DWORD flags = 0;
    WCHAR system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, &flags, system, MAX_PATH + 1))
        return false;
    return (flags & FILE_SUPPORTS_HARD_LINKS) != 0 || lstrcmpiW(system, L"NTFS") == 0;
}

bool WriteAll(HANDLE h, const uint8_t* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : DWORD(size);
        DWORD written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr) || written != chunk)
            return false;
        data += chunk;
        size -= chunk;
    }
    return true;
}

// Creates a file for writing and deleting under a fresh temporary name in
// `folder`, numbered with the next of `sequence`.
NTSTATUS CreateTemporaryFile(HANDLE folder, ULONG options, std::atomic<unsigned long>& sequence, HANDLE* file) {
    NTSTATUS status = kNameCollision;
    for (int attempt = 0; attempt < 8 && status == kNameCollision; ++attempt) {
        char ascii[kTemporaryNameCapacity];
        const size_t length = FormatTemporaryName(ascii, sizeof ascii, GetCurrentProcessId(), ++sequence);
        WCHAR temp[kTemporaryNameCapacity];
        for (size_t i = 0; i < length; ++i)
            temp[i] = WCHAR(ascii[i]);
        status = OpenRelative(folder, temp, length, GENERIC_WRITE | DELETE, FILE_SHARE_READ, FILE_CREATE,
                              FILE_NON_DIRECTORY_FILE | options, file);
    }
    return status;
}

}  // namespace

// The Windows system's own state.
struct SSystemState {
    // The game writes its names in code page 932 whatever system it runs on.
    SSystemState(unsigned codePage, CFolderChain::IOpener& opener)
        : m_nCodePage(codePage ? codePage : 932), m_chain(opener) {}

    unsigned m_nCodePage;
    CFolderChain m_chain;
    // Shared by every thread that writes.
    std::atomic<unsigned long> m_nTempSequence{0};
    // Whether the root's volume keeps several links to one file; asked once per root.
    enum class EHardLinks { Unknown, Kept, Refused };
    std::atomic<EHardLinks> m_eHardLinks{EHardLinks::Unknown};
};

namespace {

// The folder `name` in `parent`, held without delete sharing, never through a
// link; kNoHandle when it cannot be opened so.
CFolderChain::Handle OpenFolderLevel(CFolderChain::Handle parent, const SPathComponent& name) {
    if (EndsInDotOrBlank(name))
        return CFolderChain::kNoHandle;
    const ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
    const WCHAR* text = AsWide(name.begin);
    HANDLE h;
    NTSTATUS status = OpenRelative(AsHandle(parent), text, name.length, access, kHoldShare, FILE_OPEN,
                                   FILE_DIRECTORY_FILE, &h);
    if (status == kSharingViolation)
        status = OpenRelative(AsHandle(parent), text, name.length, access, kAnyShare, FILE_OPEN, FILE_DIRECTORY_FILE, &h);
    if (!NT_SUCCESS(status))
        return CFolderChain::kNoHandle;
    if (IsLink(h)) {
        CloseHandle(h);
        return CFolderChain::kNoHandle;
    }
    return reinterpret_cast<CFolderChain::Handle>(h);
}

// Creates the file `name` in `folder` (see WriteNewFile); root is the
// output root's handle, asked whether its volume keeps links.
EWriteResult WriteIn(SSystemState& state, HANDLE root, HANDLE folder, const SPathComponent& name, const uint8_t* data,
                     size_t size);

// A writer for another thread: its own handle of the root, its own chain.
class CWin32Writer final : public IFileWriter, private CFolderChain::IOpener {
public:
    CWin32Writer(SSystemState& state, HANDLE root) : m_state(state), m_chain(*this) {
        m_chain.SetRoot(reinterpret_cast<CFolderChain::Handle>(root));
    }
    ~CWin32Writer() { m_chain.Close(); }
    CWin32Writer(const CWin32Writer&) = delete;
    CWin32Writer& operator=(const CWin32Writer&) = delete;

    EWriteResult WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) override {
        SPathComponent name;
        EPathSplit split;
        const HANDLE folder = AsHandle(m_chain.OpenParent(relativePath, name, split));
        return WriteIn(m_state, AsHandle(m_chain.Root()), folder, name, data, size);
    }

private:
    CFolderChain::Handle OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) override {
        return OpenFolderLevel(parent, name);
    }
    void CloseFolder(CFolderChain::Handle folder) override { CloseHandle(AsHandle(folder)); }

    SSystemState& m_state;
    CFolderChain m_chain;
};

}  // namespace

CSystemPlatform::CSystemPlatform(unsigned codePage) : m_pState(new SSystemState(codePage, *this)) {}

// The chain lets go of its folders while the object that closes them is whole.
CSystemPlatform::~CSystemPlatform() { m_pState->m_chain.Close(); }

bool CSystemPlatform::IsCodePageSupported() const { return IsValidCodePage(m_pState->m_nCodePage); }

bool CSystemPlatform::GetCurrentDir(char16_t* buf, size_t capacity) {
    if (capacity == 0)
        return false;
    // Read into a buffer large enough for any path, so that a folder too long
    // for the caller can still be shown as far as it fits.
    static WCHAR whole[32768];
    const DWORD length = GetCurrentDirectoryW(32768, whole);
    if (length == 0 || length >= 32768) {
        buf[0] = 0;
        return false;
    }
    return CopyText(buf, capacity, AsChar16(whole), length);
}

bool CSystemPlatform::ReadWholeFile(const char16_t* path, SInputFile& file) {
    const HANDLE h = CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    file.hFile = reinterpret_cast<intptr_t>(h);

    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size) || size.QuadPart >= 0x80000000LL)
        return false;
    file.pData = AllocBlock(size_t(size.QuadPart));
    if (!file.pData)
        return false;
    file.nSize = int32_t(size.QuadPart);

    DWORD got = 0;
    // One read; a failure or a short count means the file cannot be extracted,
    // never that its missing bytes are zeros.
    return ReadFile(h, file.pData, DWORD(file.nSize), &got, nullptr) && got == DWORD(file.nSize);
}

void CSystemPlatform::ReleaseInputFile(SInputFile& file) {
    if (file.pData)
        FreeBlock(file.pData, size_t(file.nSize));
    if (file.hFile != -1)
        CloseHandle(reinterpret_cast<HANDLE>(file.hFile));
    file = SInputFile();
}

bool CSystemPlatform::OpenOutputRoot(const char16_t* root) {
    m_pState->m_chain.Close();
    m_pState->m_eHardLinks = SSystemState::EHardLinks::Unknown;
    // The root is the user's own folder: a junction to it is followed, once.
    const DWORD access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    HANDLE h = CreateFileW(AsWide(root), access, kHoldShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        h = CreateFileW(AsWide(root), access, kAnyShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    if (!IsDirectory(h)) {
        CloseHandle(h);
        return false;
    }
    m_pState->m_chain.SetRoot(reinterpret_cast<CFolderChain::Handle>(h));
    return true;
}

void CSystemPlatform::CloseOutputRoot() { m_pState->m_chain.Close(); }

CFolderChain::Handle CSystemPlatform::OpenFolder(CFolderChain::Handle parent, const SPathComponent& name) {
    return OpenFolderLevel(parent, name);
}

IFileWriter* CSystemPlatform::OpenWriter() {
    const HANDLE root = AsHandle(m_pState->m_chain.Root());
    HANDLE own = nullptr;
    if (root == AsHandle(CFolderChain::kNoHandle) ||
        !DuplicateHandle(GetCurrentProcess(), root, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    CWin32Writer* writer = new (std::nothrow) CWin32Writer(*m_pState, own);
    if (!writer)
        CloseHandle(own);
    return writer;
}

void CSystemPlatform::CloseWriter(IFileWriter* writer) { delete static_cast<CWin32Writer*>(writer); }

void CSystemPlatform::CloseFolder(CFolderChain::Handle folder) { CloseHandle(AsHandle(folder)); }

EDirResult CSystemPlatform::CreateDir(const char16_t* relativePath) {
    SPathComponent name;
    CFolderChain::Handle held;
    EDirResult early;
    if (!m_pState->m_chain.OpenParentToCreate(relativePath, name, held, early))
        return early;
    const HANDLE parent = AsHandle(held);
    if (EndsInDotOrBlank(name))
        return EDirResult::Failed;
    HANDLE h;
    const NTSTATUS status = OpenRelative(parent, AsWide(name.begin), name.length, FILE_LIST_DIRECTORY, kAnyShare,
                                         FILE_CREATE, FILE_DIRECTORY_FILE, &h);
    if (NT_SUCCESS(status)) {
        CloseHandle(h);
        return EDirResult::Created;
    }
    if (status != kNameCollision)
        return EDirResult::Failed;
    // Something stands there: a real folder may be filled, a link never.
    if (!NT_SUCCESS(OpenRelative(parent, AsWide(name.begin), name.length, FILE_READ_ATTRIBUTES, kAnyShare, FILE_OPEN,
                                 0, &h)))
        return EDirResult::Failed;
    const EDirResult result = IsLink(h) ? EDirResult::Link : IsDirectory(h) ? EDirResult::Exists : EDirResult::Failed;
    CloseHandle(h);
    return result;
}

EWriteResult CSystemPlatform::WriteNewFile(const char16_t* relativePath, const uint8_t* data, size_t size) {
    SPathComponent name;
    EPathSplit split;
    const HANDLE folder = AsHandle(m_pState->m_chain.OpenParent(relativePath, name, split));
    return WriteIn(*m_pState, AsHandle(m_pState->m_chain.Root()), folder, name, data, size);
}

namespace {

EWriteResult WriteIn(SSystemState& state, HANDLE root, HANDLE folder, const SPathComponent& name, const uint8_t* data,
                     size_t size) {
    if (folder == AsHandle(CFolderChain::kNoHandle) || EndsInDotOrBlank(name))
        return EWriteResult::CannotCreate;
    // A name that is taken is refused before anything is written.
    HANDLE h;
    const NTSTATUS probe =
        OpenRelative(folder, AsWide(name.begin), name.length, FILE_READ_ATTRIBUTES, kAnyShare, FILE_OPEN, 0, &h);
    if (NT_SUCCESS(probe)) {
        CloseHandle(h);
        return EWriteResult::Exists;
    }
    if (probe != kNameNotFound)
        return EWriteResult::CannotCreate;

    // Where the volume keeps links, the content goes to a temporary file
    // created delete-on-close, and the complete file gets its name as a
    // second link: whatever ends the process (the task manager included)
    // takes the temporary name away with the handle, and the output name
    // appears only with the whole content.
    using EHardLinks = SSystemState::EHardLinks;
    if (state.m_eHardLinks.load() == EHardLinks::Unknown)
        state.m_eHardLinks = HasHardLinks(root) ? EHardLinks::Kept : EHardLinks::Refused;
    if (state.m_eHardLinks.load() == EHardLinks::Kept) {
        if (!NT_SUCCESS(CreateTemporaryFile(folder, FILE_DELETE_ON_CLOSE, state.m_nTempSequence, &h)))
            return EWriteResult::CannotCreate;
        const bool written = WriteAll(h, data, size);
        const NTSTATUS linked =
            written ? NameWithoutReplacing(h, folder, name, FileLinkInformation) : NTSTATUS(0xC0000001L);
        CloseHandle(h);
        if (!written)
            return EWriteResult::WriteFailed;
        if (NT_SUCCESS(linked))
            return EWriteResult::Written;
        if (linked == kNameCollision)
            return EWriteResult::Exists;
        // The volume refused the link after all: the content is written again
        // below, and so is every later file.
        state.m_eHardLinks = EHardLinks::Refused;
    }

    // Elsewhere (FAT) the temporary file is marked for deletion once created
    // and unmarked when complete, then renamed. An end of the process in the
    // moment between creating and marking, or between unmarking and renaming,
    // leaves that file; a partial file under an output name never exists.
    if (!NT_SUCCESS(CreateTemporaryFile(folder, 0, state.m_nTempSequence, &h)))
        return EWriteResult::CannotCreate;
    if (!SetDeleteOnClose(h, true) || !WriteAll(h, data, size) || !SetDeleteOnClose(h, false)) {
        SetDeleteOnClose(h, true);
        CloseHandle(h);
        return EWriteResult::WriteFailed;
    }
    const NTSTATUS renamed = NameWithoutReplacing(h, folder, name, FileRenameInformation);
    if (!NT_SUCCESS(renamed)) {
        SetDeleteOnClose(h, true);
        CloseHandle(h);
        return renamed == kNameCollision ? EWriteResult::Exists : EWriteResult::CannotCreate;
    }
    CloseHandle(h);
    return EWriteResult::Written;
}

}  // namespace

uint8_t* CSystemPlatform::AllocBlock(size_t size) {
    if (size == 0)
        return nullptr;
    return static_cast<uint8_t*>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
}

void CSystemPlatform::FreeBlock(uint8_t* block, size_t) {
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
}

bool CSystemPlatform::EncodeName(const char16_t* name, uint8_t* out, size_t capacity, size_t& length) {
    const int count = int(StrLen16(name));
    if (count == 0) {
        length = 0;
        return true;
    }
    if (capacity > 0x7FFFFFFF)
        return false;
    // No best fit ("ä" as "a"): a character the code page lacks fails.
    const unsigned codePage = m_pState->m_nCodePage;
    const bool plain = TakesNoFlags(codePage);
    BOOL usedDefault = FALSE;
    const int made = WideCharToMultiByte(codePage, plain ? 0 : WC_NO_BEST_FIT_CHARS, AsWide(name), count,
                                         reinterpret_cast<char*>(out), int(capacity), nullptr,
                                         plain ? nullptr : &usedDefault);
    if (made <= 0 || usedDefault)
        return false;
    length = size_t(made);
    return DecodesTo(*this, out, length, name);
}

void CSystemPlatform::DecodeName(const uint8_t* bytes, size_t count, char16_t* out, size_t capacity) {
    if (capacity == 0)
        return;
    out[0] = 0;
    // No character takes more than 4 bytes: more than that is never needed.
    size_t take = count < (capacity - 1) * 4 ? count : (capacity - 1) * 4;
    if (take == 0 || take > 0x7FFFFFFF)
        return;
    const DWORD flags = TakesNoFlags(m_pState->m_nCodePage) ? 0 : MB_PRECOMPOSED;
    const char* source = reinterpret_cast<const char*>(bytes);
    // MultiByteToWideChar fails outright on a buffer that is too small, so a
    // name that would not fit is shortened first (counting costs no memory);
    // the names of entries always fit, and are decoded straight into out.
    int needed = MultiByteToWideChar(m_pState->m_nCodePage, flags, source, int(take), nullptr, 0);
    while (take > 0 && needed > int(capacity - 1))
        needed = MultiByteToWideChar(m_pState->m_nCodePage, flags, source, int(--take), nullptr, 0);
    if (needed <= 0)
        return;
    const int n = MultiByteToWideChar(m_pState->m_nCodePage, flags, source, int(take), AsWide(out), needed);
    out[n > 0 ? n : 0] = 0;
}


SNameRules CSystemPlatform::NameRules() const { return SNameRules{true, true, true}; }

// Windows takes '\' as it is.
void CSystemPlatform::ToNativeSeparators(char16_t*) {}

EWriteResult CSystemPlatform::WriteNewFileInRoot(const char16_t* name, const uint8_t* data, size_t size) {
    // Windows separates at both slashes: a name with neither is one level.
    for (const char16_t* p = name; *p; ++p) {
        if (*p == u'\\' || *p == u'/')
            return EWriteResult::CannotCreate;
    }
    const bool dots = name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
    return name[0] == 0 || dots ? EWriteResult::CannotCreate : WriteNewFile(name, data, size);
}
