// The desktop program's frame: fixes the UI language and UI font, creates
// the main window, runs the message loop until the window closes and returns
// the exit code. Called once by the entry point (app/Main.cpp), between the
// application module's Init and Term, on the UI thread.
#pragma once

#include <windows.h>

#include "app/CommandLine.h"

// Sets g_szLocaleName, g_szFontFace and g_nFontSize from the command line
// (the text after the program name) and the system's default locale name.
// Must run before the first window is created. False when -f named a face too
// long for g_szFontFace: the default face is used instead. The whole reading
// (code page, output folder, paths, ...) goes to *options when it is given.
bool ApplyStartupOptions(const WCHAR* commandLine, SStartupOptions* options = nullptr);

// The paths given at start-up are handled as one drop once the window is
// shown; -o and -m set the window's output folder and rebuild data.
// Exit code: 1 when the window closed through OK (Enter), 2 through Cancel
// (Escape, the close box), 0 when the window could not be created.
int Run(const WCHAR* commandLine, int nCmdShow);
