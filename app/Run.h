// The desktop program's frame: fixes the UI language and UI font, creates
// the main window, runs the message loop until the window closes and returns
// the exit code. Called once by the entry point (app/Main.cpp), between the
// application module's Init and Term, on the UI thread.
#pragma once

#include <windows.h>

#include <cstdint>

// Sets g_szLocaleName, g_szFontFace and g_nFontSize from the command line
// (the text after the program name) and the system's default locale name.
// Must run before the first window is created. False when -f named a face too
// long for g_szFontFace: the default face is used instead. The code page that
// entry names are read in goes to *codePage when it is given.
bool ApplyStartupOptions(const WCHAR* commandLine, int32_t* codePage = nullptr);

// Exit code: 1 when the window closed through OK (Enter), 2 through Cancel
// (Escape, the close box), 0 when the window could not be created.
int Run(const WCHAR* commandLine, int nCmdShow);
