// The manifest's format, shared by its writer (vanto-extract --manifest) and
// its reader (vanto-pack): the version, the document's kind and the words of
// the entry kinds. docs/manifest.md is the contract.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Version 1: fields may be added; renaming or removing one, or changing its
// meaning, makes version 2.
constexpr int kManifestVersion = 1;
// The value of the document's "kind".
constexpr char kManifestKind[] = "vanto-manifest";

enum class EManifestKind { Child, Stored, Gzip, GzipFailed, Damaged };

// The manifest's checksum: CRC-32 as zlib computes it (gzip's and zip's).
uint32_t ManifestCrc32(const uint8_t* bytes, size_t count);

// "child", "stored", "gzip", "gzip-failed", "damaged".
const char* ManifestKindWord(EManifestKind kind);
// The kind of a word; false for any other word.
bool ParseManifestKind(const std::string& word, EManifestKind& kind);
