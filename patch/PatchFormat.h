// The patch file of vanto-pack --patch and --apply, version 1: the one module
// that reads and writes it (docs/patch.md is its contract).
//
// A patch holds what changes between an original custom file (the base) and
// a modded one (the result), addressed by entries, never by byte offsets of
// one file: each container is a list of operations on its entries, named by
// their name bytes and which entry of that name they are. Replace and Delete
// carry the SHA-256 of the entry they expect, so that a patch applied onto a
// file that another patch changed finds a conflict instead of guessing.
// Both files' sizes, CRC-32s and SHA-256s are recorded.
//
// Reading checks every count, length and nesting against what is left of
// the input, and every entry the patch carries against the container format;
// a hostile patch gets a message, never a read past its end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Sha256.h"

constexpr uint32_t kPatchVersion = 1;
// Containers nested deeper than this are replaced whole by the maker and
// refused by the reader.
constexpr int kMaxPatchDepth = 64;
// The most bytes a patch, or a file it makes, may have.
constexpr int64_t kMaxPatchFileSize = 0x7FFFFFFF;

enum class EPatchOp : uint8_t {
    Replace = 1,  // the entry at the address becomes `bytes` (a whole entry)
    Delete = 2,   // the entry at the address goes
    Insert = 3,   // `bytes` (a whole entry) goes at the end of the container's entries
    Child = 4,    // the child container at the address changes as pChild says
    Tail = 5,     // the bytes after the container's last entry become `bytes`
};

// An entry of a container: its name bytes (up to the NUL), and how many
// entries of that name come before it there.
struct SPatchAddress {
    std::vector<uint8_t> name;
    uint32_t nOccurrence = 0;
};

struct SPatchContainer;

struct SPatchOp {
    EPatchOp eOp = EPatchOp::Replace;
    // Replace, Delete, Child: the entry as the file holds it before. Insert:
    // the name of the entry added and how many of that name precede it
    // once it is added.
    SPatchAddress address;
    // Replace, Delete, Tail: the length and digest of the bytes expected
    // there (the whole entry, or the tail).
    uint32_t nOldLength = 0;
    SSha256 oldDigest;
    std::vector<uint8_t> bytes;               // Replace, Insert, Tail
    std::unique_ptr<SPatchContainer> pChild;  // Child
};

struct SPatchContainer {
    std::vector<SPatchOp> ops;
};

// A whole file as the patch records it.
struct SPatchFileId {
    int64_t nSize = 0;
    uint32_t nCrc = 0;
    SSha256 digest;
};

struct SPatch {
    unsigned nCodePage = 932;    // the entry names' code page, for messages
    std::string strBaseName;     // the original's file name (UTF-8), for finding it
    SPatchFileId base;
    SPatchFileId result;
    SPatchContainer root;
};

// The patch as bytes.
std::vector<uint8_t> WritePatch(const SPatch& patch);

// Reads a patch. False with a message (English, one line) when it is no
// patch, of another version, damaged or inconsistent.
bool ReadPatch(const uint8_t* data, size_t size, SPatch& patch, std::string& error);

// The id of a file: its size, CRC-32 (zlib's) and SHA-256. False when the
// system gives no SHA-256.
bool IdentifyFile(const uint8_t* data, size_t size, SPatchFileId& id);

// Lower-case hexadecimal of a digest, for messages.
std::string DigestText(const SSha256& digest);
