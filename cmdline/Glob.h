// Selecting the entries of a container by their path with a shell-like glob.
//
// Both sides are UTF-16 and terminated; a character is one UTF-16 code unit.
// '/' and '\' both separate folders, in the pattern and in the path, and empty
// components (a leading, trailing or doubled separator) are passed over, so
// "sub/" is "sub". There is no escape character: "[*]" matches a literal '*'.
//   *      any run of characters within one component, the empty run too
//   ?      one character other than a separator
//   [...]  one character of the set: ranges "a-z", "!" or "^" first negates,
//          "]" first is a member; an unclosed "[" is a literal '['
//   **     as a whole component, any number of whole components, none too:
//          "**/x" matches "x" and "a/b/x", "a/**" matches "a/b/c" and "a"
//          itself, "a/**/b" matches "a/b"; elsewhere ("a**b") it is '*'
// Letters compare as Windows compares file names, without regard to case:
// ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and fullwidth Latin.
// Matching takes time bounded by the product of the two lengths, whatever the
// pattern; it does not recurse and does not allocate.
#pragma once

#include <string>

#include "base/LetterCase.h"

// Matches `path` (UTF-16, terminated, '/' separators, no leading '/') against
// the glob `pattern` (terminated).
bool MatchGlob(const char16_t* pattern, const char16_t* path);

// True when some prefix of `path` that ends at a separator or at its end
// (a folder above the entry, or the entry itself) matches `pattern`:
// "sub" selects "sub/a.txt". Only prefixes of up to 1023 characters are
// tried: a longer path matches through its shorter folders or not at all.
bool MatchGlobOrParent(const char16_t* pattern, const char16_t* path);

// The rule of vanto-extract's --include and --exclude: a pattern with a folder
// separator matches the path from its start (or a folder above the entry);
// one without matches a name at any level, the entry's own or a folder's
// above it, so "*.bmp" takes every bitmap and "cmap" every cmap folder.
bool MatchGlobPath(const std::u16string& pattern, const char16_t* path);
