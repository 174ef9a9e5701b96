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
// either side. Entries inside the packed result's copiedRanges were copied
// without a file in the folder and are not compared, nor are files of the
// folder at its uncomparedPaths (or below them) that the listing lacks.
// Returns one line per difference; none when the two agree.
std::vector<std::u16string> VerifyPacked(IPlatform& platform, IFolderSource& source, const SPackResult& packed);
