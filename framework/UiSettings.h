// The UI language and the UI font: process-wide values fixed once at start-up
// and read afterwards by every language choice and every dialog template.
// Written only by the program's start-up on the UI thread, before the first
// window is created.
#pragma once

#include <windows.h>

enum : int {
    kLocaleNameCapacity = 256,  // g_szLocaleName, terminator included
    kFontFaceCapacity = 256,    // g_szFontFace, terminator included
};

// The UI language's locale name ("ja-JP" means Japanese); empty until start-up.
extern WCHAR g_szLocaleName[kLocaleNameCapacity];
// The typeface written into every dialog template.
extern WCHAR g_szFontFace[kFontFaceCapacity];
// The point size written into every dialog template (its low 16 bits).
extern int g_nFontSize;
