// Output naming: every rule that turns an entry into the name extraction
// writes, in one place. The walker names its files and folders with these,
// and the packer promises with the same calls that what it writes extracts
// back to the names it read.
//
//   a file:    the entry name fitted to the system (FitNameToSystem), its
//              extension chosen from the content (ChooseExtension), and on a
//              system where letter case matters "CMAP\x" put in "cmap";
//   a folder:  the entry name without its last extension and one trailing
//              blank, fitted to the system;
//   cmap:      an entry name holding "cmap\" makes its container's cmap folder.
//
// Names are relative to their container's folder, with '\' (and '/') between
// levels as the entry name has them.
#pragma once

#include <cstddef>
#include <cstdint>

struct SNameRules;

// True when the content is taken as binary: a control byte other than tab,
// line feed or carriage return among its first 32 bytes.
bool IsBinaryData(const uint8_t* content, int32_t length);

// Returns the extension to write: ".bmp", ".jpg", ".vum", ".bin", ".txt", or
// nameExtension itself. Only ".t", ".bm" and ".tx" (exact case) look at the
// content; reads at most its first 1,028 bytes and never beyond `length`.
const char16_t* ChooseExtension(const char16_t* nameExtension, const uint8_t* content, int32_t length);

// True when ChooseExtension looks at the content for this name extension.
bool ExtensionDependsOnContent(const char16_t* nameExtension);

// Rewrites a path inside a file (relative to the output folder) in place into
// the one form it is created in: '/' between levels, and no empty or "."
// levels (the system skips them when it creates the path: "x\.\y.txt" and
// "x//y.txt" are both "x/y.txt", and "." alone is "").
void NormalizeSlashPath(char16_t* path);

// The folder an entry name holding "cmap\" (in any letter case) makes in its
// container's folder, before the first such entry is written: always named
// in lower case, and the entries' files go there (FoldCmapFolderCase).
constexpr char16_t kCmapFolderName[] = u"cmap";
bool NameMakesCmapFolder(const char16_t* entryName);
// On a system where letter case matters, an entry named "CMAP\x" goes to the
// "cmap" folder that was made for it: the name's first four letters are
// folded in place when they name that folder.
void FoldCmapFolderCase(char16_t* name);

// The first step of a file's name, before its content is known: the entry
// name fitted to the system into out (capacity characters). False when
// extraction refuses the name (it climbs out, names a device, or comes to
// nothing); whether it is refused does not depend on the content.
bool FitFileName(const char16_t* entryName, const SNameRules& rules, char16_t* out, size_t capacity);
// The second step: `fitted` (FitFileName's result, capacity characters)
// gets the extension the content chooses and the cmap folder's case.
void FinishFileName(char16_t* fitted, size_t capacity, const char16_t* entryName, const uint8_t* content,
                    int32_t length, const SNameRules& rules);
// The name extension of an entry name: from its last '.', or "" without one.
const char16_t* NameExtension(const char16_t* entryName);

// The folder a child container entry of this name fills. False when
// extraction refuses the name.
bool MakeChildFolderName(const char16_t* entryName, const SNameRules& rules, char16_t* out, size_t capacity);
