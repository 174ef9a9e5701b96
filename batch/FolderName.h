// The folder-name buffer shared by the per-file job and its prompt.
//
// The job keeps the folder name followed by one '\' in a buffer of 260
// characters; a prompt (the window's CInputDlg, the command-line tool's
// terminal question) shows it without the '\' and stores the answer back.
#pragma once

#include <cstddef>

// Ends the text at its first backslash, if any.
void CutAtFirstBackslash(char16_t* text);

// Stores a typed answer into nameBuffer (capacity characters, terminator
// included): at most capacity - 2 characters of it, cut at the first
// backslash, then one '\' appended, so the separator always fits.
void StoreFolderAnswer(char16_t* nameBuffer, size_t capacity, const char16_t* answer);

// The final component of a path (after the last '\' or '/', or a drive's
// colon) without its extension (the last '.' and what follows), into out.
// False when it does not fit capacity.
bool BaseNameOfPath(const char16_t* path, char16_t* out, size_t capacity);
