// Reading a packed file back with the extraction engine, in memory, and
// comparing what it would write with the folder it was packed from.
#pragma once

#include <string>
#include <vector>

#include "pack/FolderSource.h"
#include "pack/Packer.h"

// Lists `bytes` as vanto-extract -l would (nothing is written; the platform
// decodes names and gives the system's name rules) and compares the files
// with the folder's: each with the same length and CRC-32, none missing on
// either side. Entries inside copiedRanges were copied without a file in the
// folder and are not compared. Returns one line per difference; none when the
// two agree.
std::vector<std::u16string> VerifyPacked(IPlatform& platform, IFolderSource& source, const std::vector<uint8_t>& bytes,
                                         const std::vector<SByteRange>& copiedRanges);
