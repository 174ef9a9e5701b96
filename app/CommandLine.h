// The desktop program's start-up options: the UI language name, the UI font
// face and size, the code page of entry names, the output folder, whether
// rebuild data is kept, and the paths to handle as a drop once the window is
// shown (Explorer passes them for a drop on the icon, "Send to" and "Open
// with"). Read once from the command line and the system's default locale
// name before any window exists.
//
// Portable (no windows.h), so that the rules are tested natively. Called by
// Run on the UI thread; every function here is pure and never allocates.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/Text.h"

enum : size_t {
    kStartupNameCapacity = 256,  // locale name and face name, terminator included
    // The paths of one start, each ended by a terminator, and one more: as
    // long as the longest command line the system passes.
    kStartupPathsCapacity = 32768,
};

struct SStartupOptions {
    char16_t szLocaleName[kStartupNameCapacity] = {};
    char16_t szFontFace[kStartupNameCapacity] = {};
    int32_t nFontSize = 9;
    // The code page entry names are read in: 932 unless -cp gave another
    // number (checked against the system by the caller).
    int32_t nCodePage = 932;
    // -f gave a face that does not fit szFontFace; the default face is used.
    bool bFaceRefused = false;
    // -o: the folder that receives the output; empty for the current folder.
    char16_t szOutputFolder[kPathCapacity] = {};
    // -o came without a folder, or with one that does not fit szOutputFolder:
    // the current folder is used.
    bool bOutputFolderRefused = false;
    // -m: each extraction also writes its manifest beside its folder.
    bool bKeepRebuildData = false;
    // The paths, in the order given, each ended by a terminator; an empty one
    // ends the list. nPathCount counts them.
    char16_t szPaths[kStartupPathsCapacity] = {};
    int32_t nPathCount = 0;
    // Paths that did not fit szPaths were left out.
    bool bPathsRefused = false;
};

// The font size after "-s": spaces (U+0020) skipped, then further white space,
// an optional sign and decimal digits (ASCII or the decimal digits of other
// scripts, such as the fullwidth ones) up to the first other character. No
// digits gives 0; values beyond the signed 32-bit range give the nearest limit.
int32_t ReadFontSize(const char16_t* text);

// Fills `options` from the command line (the text after the program name; null
// counts as empty) and the system's default locale name (null or too long
// counts as empty).
//
// The line is read as words separated by spaces and tabs; a double quote
// starts or ends a quoted stretch, in which spaces and tabs belong to the
// word, and is itself left out (a backslash is a backslash, so "D:\" is D:\).
// A word is a switch only when it is, whole and unquoted, one of these (ASCII
// letters compared without regard to case); every other word is a path:
//   -j        locale "ja-JP"; else -e  locale "en-US"; else the system's name
//   -s N      size N (the next word, see ReadFontSize); else 9
//   -cp N     code page N (the next word, read as -s reads its number); else 932
//   -o DIR    the output folder (the next word)
//   -m        keep rebuild data
//   -f FACE   the rest of the line after leading spaces, whatever it holds;
//             else "Meiryo UI" for a Japanese UI language, "MS Shell Dlg" otherwise
// The first -s, -cp and -o count. So C:\my-mods\hero.god is a path and turns
// nothing on, and a path may stand before, between and after the switches.
void ReadStartupOptions(const char16_t* commandLine, const char16_t* systemLocaleName, SStartupOptions& options);

// The path after `path` in SStartupOptions::szPaths; at the list's end, the
// empty string that ends it.
const char16_t* NextStartupPath(const char16_t* path);
