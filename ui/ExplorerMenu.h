// Explorer's menu for the current user, on request only: verbs that start
// this program on a custom file or patch ("Extract here", "Apply patch
// here") and on a folder ("Rebuild game file"), each with the item's path and
// -o the item's own folder. Written under HKCU\Software\Classes only (no
// administrator rights), never over a file type's own class:
//
//   SystemFileAssociations\.god\shell\VantoExtractor.Extract      (also .item, .npc)
//   SystemFileAssociations\.vpatch\shell\VantoExtractor.ApplyPatch
//   Directory\shell\VantoExtractor.Rebuild
//
// each with its text as the default value and a command subkey whose default
// value is "PROGRAM" -o "%1\.." "%1" (the program makes "%1\.." the item's
// folder). Removing deletes those verb keys and then each key above them that
// adding created and that is left empty: nothing else.
#pragma once

#include <windows.h>

#include <cstddef>

struct SExplorerVerb {
    const WCHAR* pszClassKey;  // below HKCU\Software\Classes
    const WCHAR* pszVerb;
    const WCHAR* pszTextEn;
    const WCHAR* pszTextJa;
};

// The verbs, in the order they are written.
const SExplorerVerb* GetExplorerVerbs(size_t& count);

// Writes every verb for the program at programPath, with the texts in
// Japanese or English. False when one could not be written: what was
// written is removed again.
bool AddExplorerMenu(const WCHAR* programPath, bool japanese);
// Removes what AddExplorerMenu writes. False when a key of ours stays.
bool RemoveExplorerMenu();
