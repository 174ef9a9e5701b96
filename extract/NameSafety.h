// Refusal of entry names that would leave the output folder or address a device.
//
// Entry names come from untrusted files and are used as relative paths, with
// '\' (and, on most systems, '/') acting as folder separators.
#pragma once

#include <cstddef>

// True when the name, split at '\' and '/', has a component that climbs out
// ("..", or any run of dots and blanks with at least two dots, which Windows
// trims to ".."), or contains ':' anywhere (drive-relative paths, alternate
// data streams), or, when reservesDeviceNames is set, has a component that
// names a device (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9 and the
// superscript digits 1-3, in any case, with or without trailing blanks and an
// extension).
bool IsUnsafeName(const char16_t* name, bool reservesDeviceNames);

struct SNameRules;

// Writes into out (capacity characters) the relative name (components
// separated by '\' or '/') as the system will create it: where the system
// trims name ends, each component loses its trailing dots and blanks, so that
// the paths the log shows are the ones on disk. False when the name is unsafe
// (IsUnsafeName), when a component that was not empty becomes empty, or when
// it does not fit.
bool FitNameToSystem(const char16_t* name, char16_t* out, size_t capacity, const SNameRules& rules);
