// The manifest beside a folder being rebuilt (FOLDER.vanto.json) and the
// original it names, found as vanto-pack finds it: shared by vanto-pack and
// the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "manifest/ManifestReader.h"
#include "rebuild/OriginalFiles.h"

enum class EFolderManifest {
    None,    // no manifest beside the folder: it is packed as a new file
    Loaded,  // read and checked
    Failed,  // there, but it cannot be read or is no manifest (error says why)
};

// The manifest beside the folder at absoluteFolder (its absolute path, no
// trailing separator); manifestPath gets its path either way.
EFolderManifest LoadFolderManifest(const std::u16string& absoluteFolder, bool japanese, SManifest& manifest,
                                   std::u16string& manifestPath, std::u16string& error);

// The manifest's original as it must be (size, CRC-32); who names the
// manifest in messages and must outlive the result.
SExpectedFile ExpectedOriginalOf(const SManifest& manifest, const std::u16string& who);
// The places the manifest's original may be: the path it records, and its
// name beside the manifest (empty paths are skipped by FindOriginal).
std::vector<std::u16string> OriginalPlacesOf(const SManifest& manifest, const std::u16string& manifestPath);

// The manifest's original: the path it records, then its name beside the
// manifest, each checked by size and CRC-32. Both paths join protectedFiles.
// False with every path's line in error.
bool FindManifestOriginal(const SManifest& manifest, const std::u16string& manifestPath, bool japanese,
                          CProtectedFiles& protectedFiles, std::vector<uint8_t>& base, std::u16string& basePath,
                          std::u16string& error);

// What a rebuilt folder's file is named after the folder's: ".mod.EXT" with
// the original's extension (".mod.god" when it has none), ".god" without a
// manifest.
std::u16string RebuiltFileSuffix(const SManifest* manifest);
