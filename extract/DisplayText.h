// Text from untrusted files made safe to show.
#pragma once

// True for characters that must not reach a screen as they are: C0 and C1
// control characters, which a terminal may take as commands, and the
// bidirectional formatting characters (U+202E and kin), which reorder what
// follows so that one name can pose as another.
bool IsUnsafeToShow(char16_t ch);

// Replaces each such character in place with '?'.
void ReplaceUnsafeToShow(char16_t* text);
