#include "cli/JsonEvents.h"


#include <string>

#include "cmdline/JsonLines.h"
#include "extract/EntryWords.h"
#include "console/Console.h"
#include "base/Utf.h"

namespace {


const char* ModeWord(EJobMode mode) {
    return mode == EJobMode::List ? "list" : mode == EJobMode::Test ? "test" : "extract";
}

const char* ResultWord(SFileEvent::EResult result) {
    switch (result) {
    case SFileEvent::EResult::Started: return "started";
    case SFileEvent::EResult::Done: return "done";
    case SFileEvent::EResult::Aborted: return "aborted";
    case SFileEvent::EResult::NotExtractable: return "not-extractable";
    case SFileEvent::EResult::NoRoot: return "no-root";
    case SFileEvent::EResult::NothingSelected: return "nothing-selected";
    }
    return "aborted";
}


const char* ReasonWord(SWhyNotExtractable::EReason reason) {
    switch (reason) {
    case SWhyNotExtractable::EReason::NotFound: return "not-found";
    case SWhyNotExtractable::EReason::Folder: return "folder";
    case SWhyNotExtractable::EReason::CannotRead: return "cannot-read";
    case SWhyNotExtractable::EReason::TooLarge: return "too-large";
    case SWhyNotExtractable::EReason::NotCustom:
    case SWhyNotExtractable::EReason::Unknown: break;
    }
    return "not-custom";
}

}  // namespace

bool CJsonEvents::FileStarted(const char16_t* file) {
    Json event = NewEvent("file-started");
    event["file"] = JsonText(file);
    event["mode"] = ModeWord(m_eMode);
    return m_output.WriteEvent(event);
}

bool CJsonEvents::Folder(const char16_t* file, const char16_t* path, EFolderStatus status) {
    Json event = NewEvent("folder");
    event["file"] = JsonText(file);
    event["path"] = JsonText(path);
    event["status"] = status == EFolderStatus::Created  ? "created"
                    : status == EFolderStatus::Exists ? "exists"
                                                      : "refused";
    return m_output.WriteEvent(event);
}

bool CJsonEvents::Entry(const char16_t* file, const SEntryEvent& entry, uint32_t problems) {
    Json event = NewEvent("entry");
    event["file"] = JsonText(file);
    event["path"] = JsonText(entry.pszPath);
    // Where it is (or would be) written, relative to the extraction folder.
    const bool trailing = (entry.nProblems & kProblemTrailingData) != 0;
    const bool placed = entry.eStatus != EEntryStatus::Damaged && entry.eStatus != EEntryStatus::Unsafe && !trailing;
    event["output"] = placed ? Json(JsonText(entry.pszFolder) + "/" + JsonText(entry.pszPath)) : Json(nullptr);
    event["name"] = JsonText(entry.pszName);
    event["name_hex"] = HexBytes(entry.pRawName, size_t(entry.nRawNameLength));
    event["offset"] = entry.nOffset;
    event["kind"] = entry.eStatus == EEntryStatus::Damaged || trailing ? Json(nullptr) : Json(KindWord(entry.eKind));
    event["stored"] = entry.nStoredSize;
    event["size"] = entry.nContentSize >= 0 ? Json(entry.nContentSize) : Json(nullptr);
    if (entry.eStatus == EEntryStatus::Written || entry.eStatus == EEntryStatus::Listed) {
        event["status"] = m_eMode == EJobMode::Extract ? "written" : m_eMode == EJobMode::List ? "listed" : "tested";
    } else {
        event["status"] = "skipped";
        event["reason"] = StatusWord(entry.eStatus);
    }
    Json words = Json::array();
    for (const char* word : ProblemWords(problems))
        words.push_back(word);
    event["problems"] = words;
    return m_output.WriteEvent(event);
}

bool CJsonEvents::FileFinished(const SFileEvent& file, const SFileCounts& counts,
                               const SWhyNotExtractable& whyNot) {
    Json event = NewEvent("file-finished");
    event["file"] = JsonText(file.pszPath);
    event["folder"] = JsonText(file.pszFolder);
    event["result"] = ResultWord(file.eResult);
    if (file.eResult == SFileEvent::EResult::NotExtractable) {
        event["reason"] = ReasonWord(whyNot.eReason);
        if (!whyNot.strSystemText.empty())
            event["error"] = JsonText(whyNot.strSystemText);
    }
    event["size"] = file.nSize >= 0 ? Json(file.nSize) : Json(nullptr);
    event["entries"] = counts.nEntries;
    event["written"] = counts.nWritten;
    event["folders"] = counts.nFolders;
    event["skipped"] = counts.nSkipped;
    event["filtered"] = counts.nFiltered;
    event["problems"] = counts.nProblems;
    event["stored"] = counts.nStoredBytes;
    event["content"] = counts.nContentBytes;
    return m_output.WriteEvent(event);
}

bool CJsonEvents::RunFinished(int32_t files, int32_t done, int status) {
    Json event = NewEvent("run-finished");
    event["files"] = files;
    event["done"] = done;
    event["status"] = status;
    return m_output.WriteEvent(event);
}
