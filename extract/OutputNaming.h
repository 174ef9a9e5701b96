// Output naming: the written file's extension from the entry's name extension
// and the first bytes of the content about to be written.
#pragma once

#include <cstdint>

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
