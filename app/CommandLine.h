// The desktop program's start-up options: the UI language name, the UI font
// face and the UI font size, read once from the command line and the system's
// default locale name before any window exists.
//
// Portable (no windows.h), so that the rules are tested natively. Called by
// Run on the UI thread; every function here is pure and never allocates.
#pragma once

#include <cstddef>
#include <cstdint>

enum : size_t {
    kStartupNameCapacity = 256,  // locale name and face name, terminator included
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
};

// The first occurrence of `switchText` in `commandLine`, ASCII letters
// compared without regard to case (other letters are compared as they are);
// null when there is none, when either is null and when `switchText` is empty.
const char16_t* FindSwitch(const char16_t* commandLine, const char16_t* switchText);

// The font size after "-s ": spaces (U+0020) skipped, then further white space,
// an optional sign and decimal digits (ASCII or the decimal digits of other
// scripts, such as the fullwidth ones) up to the first other character. No
// digits gives 0; values beyond the signed 32-bit range give the nearest limit.
int32_t ReadFontSize(const char16_t* text);

// Fills `options` from the command line (the text after the program name; null
// counts as empty) and the system's default locale name (null or too long
// counts as empty):
//   -j        locale "ja-JP"; else -e  locale "en-US"; else the system's name
//   -s N      size N (see ReadFontSize); else 9
//   -cp N     code page N, read as -s reads its number; else 932
//   -f FACE   the rest of the line after leading spaces, whatever it holds;
//             else "Meiryo UI" for a Japanese UI language, "MS Shell Dlg" otherwise
void ReadStartupOptions(const char16_t* commandLine, const char16_t* systemLocaleName, SStartupOptions& options);
