// The files the rebuild jobs name by path, shared by vanto-pack and the
// window: the original a folder or a patch is rebuilt from (found as the user
// means it), the files a run must never replace, and the names beside them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Sha256.h"

// What the original must be: its size and CRC-32 (the manifest's), and its
// SHA-256 where a patch records one.
struct SExpectedFile {
    int64_t nSize = 0;
    uint32_t nCrc = 0;
    const SSha256* pDigest = nullptr;
    const char16_t* pszWho = u"the manifest";  // who expects it, for messages
};

// Reads the original at path, a link followed. False with one line: "PATH:
// not found", "PATH: cannot be read ..." or "PATH: does not match WHO: ...
// found, ... recorded".
bool ReadOriginal(const std::u16string& path, const SExpectedFile& expected, bool japanese,
                  std::vector<uint8_t>& bytes, std::u16string& why);

// Tries each path in order (one file met twice is tried once); false with
// every path's line, "; " between them.
bool FindOriginal(const std::vector<std::u16string>& paths, const SExpectedFile& expected, bool japanese,
                  std::vector<uint8_t>& bytes, std::u16string& found, std::u16string& why);

// The folder part and the name part of a path as the system separates them.
std::u16string FolderOf(const std::u16string& path);
std::u16string NameOf(const std::u16string& path);
// NAME.EXT as NAME.mod.EXT; NAME.mod.god without an extension.
std::u16string ModdedName(const std::u16string& name);

// The files a run reads and must never replace (the original, the manifest
// and its source, patches), told apart by identity, not by path text.
class CProtectedFiles {
public:
    enum class EKind { Original, Manifest, Patch };
    void Add(const std::u16string& path, EKind kind);
    // Whether the file at output is one of them, and which kind.
    bool Match(const std::u16string& output, EKind& kind) const;

private:
    std::vector<std::pair<std::u16string, EKind>> m_files;
};
