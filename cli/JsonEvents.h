// vanto-extract's JSON Lines events (the envelope: cmdline/JsonLines.h).
// docs/json-events.md describes them.
#pragma once

#include <cstdint>
#include <string>

#include "cmdline/JsonLines.h"
#include "extract/ExtractCallback.h"

// What became of a file's entries.
struct SFileCounts {
    int32_t nEntries = 0;   // entries walked, selected or not
    int32_t nWritten = 0;   // files written
    int32_t nFolders = 0;   // child folders created or filled
    int32_t nSkipped = 0;   // selected entries that were not written
    int32_t nFiltered = 0;  // entries not selected
    int32_t nProblems = 0;  // entries with a problem
    // The selected file entries whose content was examined: their payloads'
    // bytes, and their bytes as written.
    long long nStoredBytes = 0;
    long long nContentBytes = 0;
};

// Why a file was not extracted (the result not-extractable).
struct SWhyNotExtractable {
    enum class EReason { Unknown, NotFound, Folder, CannotRead, TooLarge, NotCustom };
    EReason eReason = EReason::Unknown;
    std::u16string strSystemText;  // the system's message, for CannotRead
};

class CJsonEvents {
public:
    explicit CJsonEvents(EJobMode mode) : m_eMode(mode) {}

    // Each returns false once standard output has failed.
    bool FileStarted(const char16_t* file);
    bool Folder(const char16_t* file, const char16_t* path, EFolderStatus status);
    // problems: the entry's own and the ones the tool found.
    bool Entry(const char16_t* file, const SEntryEvent& entry, uint32_t problems);
    bool FileFinished(const SFileEvent& file, const SFileCounts& counts, const SWhyNotExtractable& whyNot);
    bool RunFinished(int32_t files, int32_t done, int status);

private:
    EJobMode m_eMode;
    CToolOutput m_output;
};
