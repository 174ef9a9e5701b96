// The native file calls the Windows platform files share (PlatformWin32.cpp
// writes the output tree, FolderReaderWin32.cpp reads one): opening a name
// relative to a folder's handle without going through a reparse point, and
// telling links and folders by their handles. Windows only; part of the
// platform, never seen by the engine.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstddef>

#include "platform/FolderChain.h"

namespace ntfiles {

// Folders are held without delete sharing while they are used, so no other
// program can rename them or swap them for links. One held elsewhere with
// delete access is still opened, with delete sharing.
const ULONG kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
const ULONG kAnyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

const NTSTATUS kNameInvalid = NTSTATUS(0xC0000033L);     // STATUS_OBJECT_NAME_INVALID
const NTSTATUS kNameNotFound = NTSTATUS(0xC0000034L);    // STATUS_OBJECT_NAME_NOT_FOUND
const NTSTATUS kNameCollision = NTSTATUS(0xC0000035L);   // STATUS_OBJECT_NAME_COLLISION
const NTSTATUS kPathNotFound = NTSTATUS(0xC000003AL);    // STATUS_OBJECT_PATH_NOT_FOUND
const NTSTATUS kSharingViolation = NTSTATUS(0xC0000043L);

enum class EReparse {
    OpenPoint,      // a reparse point itself is opened, never what it names
    ThroughFilter,  // resolved as Windows resolves it, links too: only for a
                    // name already held open by a handle that showed no link
};

// Opens or creates `name` (length characters, no separator) relative to the
// folder `parent`, with Windows' letter-case rules, for synchronous use; a
// reparse point there is opened itself unless `reparse` says otherwise.
NTSTATUS OpenRelative(HANDLE parent, const WCHAR* name, size_t length, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, HANDLE* handle, EReparse reparse = EReparse::OpenPoint);

// The attributes of an open file or folder; false when they cannot be read.
bool ReadAttributes(HANDLE h, DWORD& attributes);

// A symbolic link, a junction or any other reparse point that names another
// place (a name surrogate); also what cannot be told apart from one.
bool IsLink(HANDLE h);

bool IsDirectory(HANDLE h);

// Windows would not open again a name it would trim.
bool EndsInDotOrBlank(const SPathComponent& name);

inline HANDLE AsHandle(CFolderChain::Handle h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace ntfiles
