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
