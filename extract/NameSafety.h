// Refusal of entry names that would leave the output folder or address a device.
//
// Entry names come from untrusted files and are used as relative paths, with
// '\' (and, on most systems, '/') acting as folder separators.
#pragma once

// True when the name, split at '\' and '/', has a component that climbs out
// ("..", or any run of dots and blanks with at least two dots, which Windows
// trims to ".."), or contains ':' anywhere (drive-relative paths, alternate
// data streams), or, when reservesDeviceNames is set, has a component that
// names a device (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9 and the
// superscript digits 1-3, in any case, with or without trailing blanks and an
// extension).
bool IsUnsafeName(const char16_t* name, bool reservesDeviceNames);
