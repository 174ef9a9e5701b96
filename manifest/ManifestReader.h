// The manifest vanto-extract --manifest writes (docs/manifest.md), read back
// and checked for vanto-pack: every offset and length lies inside the source
// file and every container's entries follow each other from its start.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "manifest/ManifestFormat.h"


struct SManifestContainer;

struct SManifestEntry {
    int32_t nOffset = 0;             // the header's offset in the source file
    std::vector<uint8_t> nameBytes;  // the name field up to its NUL
    EManifestKind eKind = EManifestKind::Stored;
    int32_t nPayloadLength = 0;      // not for Damaged
    bool bHasPath = false;
    std::u16string strPath;          // relative to the folder, '/' between levels
    bool bWritten = false;
    bool bHasWritten = false;        // a file written: its length and checksum follow
    int32_t nWrittenLength = 0;
    uint32_t nWrittenCrc = 0;
    std::unique_ptr<SManifestContainer> pContainer;  // a child that was walked
};

struct SManifestContainer {
    int32_t nOffset = 0;
    int32_t nLength = 0;
    int32_t nStop = 0;  // the first byte not walked as an entry
    std::vector<SManifestEntry> entries;
};

struct SManifest {
    std::u16string strSourceName;
    std::u16string strSourcePath;  // empty when the manifest has none
    int64_t nSourceSize = 0;
    uint32_t nSourceCrc = 0;
    unsigned nCodePage = 0;
    SManifestContainer root;
};

// Reads the manifest's text. False with a message (English, one line) when it
// is no manifest of version 1 or does not hold together.
bool ReadManifest(const std::string& text, SManifest& manifest, std::u16string& error);

// A path inside the file in the one form extraction creates it in: '/'
// between levels, no empty or "." levels (NormalizeSlashPath).
std::u16string NormalizedPath(std::u16string path);
