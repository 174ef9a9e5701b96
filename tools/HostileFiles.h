// Small custom files whose entry names are hostile, for the checks that every
// extracted folder packs back: dots, separators in every place, cmap prefixes
// (also in names extraction refuses), empty and blank names, device names,
// names that fill their field and run on into the size field, names that
// differ only in letter case or not at all, extensions the content changes,
// code page 932 names with a 5C trail byte, and child containers with odd
// names; stored and gzip payloads, children nested up to three deep.
#pragma once

#include <cstdint>

#include "tools/Bytes.h"

// File number `index` of the set `seed` makes. It depends on nothing else:
// the same bytes on every system, whatever other files are made.
Bytes MakeHostileFile(uint64_t seed, unsigned index);
