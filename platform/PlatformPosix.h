// What the POSIX (Linux) platform has beyond the seam. The seam itself,
// CSystemPlatform, is implemented there with file names as bytes, '/'
// folders, output created relative to folder descriptors (openat, mkdirat)
// and never through a symbolic link, and entry names decoded with iconv.
#pragma once

#include "platform/SystemPlatform.h"

// File names are at most 259 UTF-16 characters, each at most 3 bytes (a
// surrogate pair gives 4 bytes for 2 characters, an escaped byte 1).
constexpr size_t kNativePathBytes = 260 * 3 + 1;

// One component of a relative path as the name's bytes (out holds
// kNativePathBytes). False when it does not fit.
bool ComponentToNativeName(const SPathComponent& name, char* out);

// SIGINT, SIGTERM and SIGHUP first remove a file being written under a
// temporary name, then end the process as they would have. For programs that
// write files and want no litter when interrupted.
void RemovePartialFileOnSignals();

// How a complete file gets its name: an unnamed file (O_TMPFILE) linked
// through its descriptor (AT_EMPTY_PATH, where the kernel lets users do that)
// or through its /proc entry, or a file under a temporary name that is moved.
// Each write takes the first way the system allows and keeps to it; tests
// choose one to try them all.
enum class EWriteMethod { LinkDescriptor, LinkThroughProc, MoveNamed };
void SetWriteMethod(CSystemPlatform& platform, EWriteMethod method);
