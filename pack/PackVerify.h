// Reading a packed file back with the extraction engine, in memory, and
// comparing what it would write with the folder it was packed from.
#pragma once

#include <string>
#include <vector>

#include "pack/FolderSource.h"
#include "pack/Packer.h"

// Extracts `bytes` as vanto-extract would, onto a model of an empty output
// folder (nothing is written; the platform decodes names and gives the
// system's name rules), and checks the whole result:
// - the walk: every entry the packer placed is read back at its offset, and
//   no other entry is, but inside bytes copied from the base without a file;
// - every placed file and folder is written at the path it was packed from,
//   without a problem (no name clash, nothing refused or damaged);
// - every file the extraction writes holds exactly the bytes of the folder's
//   file at that path, compared byte for byte;
// - every file of the folder is written by the extraction.
// Files at (or below) the result's uncomparedPaths belong to entries never
// written, those at its skippedPaths were left out; the folder need not have
// them, nor they the folder's.
// Returns one line per difference; none when the two agree.
std::vector<std::u16string> VerifyPacked(IPlatform& platform, IFolderSource& source, const SPackResult& packed);
