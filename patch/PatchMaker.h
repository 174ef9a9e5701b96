// Making a patch: what turns the base into the result, entry by entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "patch/PatchFormat.h"

// The operations that turn base into result, container by container. The
// entries of each container are paired in order by name: a pair that differs
// becomes a Replace, or a Child when both are child containers (the result's
// header as the packer writes it); a base entry without a partner goes
// (Delete), and the result's entries after the last pair are added (Insert).
// Whatever the two files hold, applying the operations to the base gives the
// result; it is small when the result was packed from the base (entries kept
// in order, new ones at the end). The ids of both files are filled in.
// False when the system gives no SHA-256.
bool MakePatch(const std::vector<uint8_t>& base, const std::vector<uint8_t>& result, SPatch& patch);
