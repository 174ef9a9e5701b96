#include "cli/JsonEvents.h"

#include <nlohmann/json.hpp>

#include <string>

#include "extract/EntryWords.h"
#include "console/Console.h"
#include "base/Utf.h"

namespace {

using Json = nlohmann::ordered_json;

// Text that cannot be decoded (an escaped byte of a file name) becomes U+FFFD.
std::string Utf8(const char16_t* text) { return Utf16ToUtf8String(text); }

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
    }
    return "aborted";
}

Json Event(const char* name) {
    Json event;
    event["v"] = CJsonEvents::kVersion;
    event["event"] = name;
    return event;
}

bool Write(const Json& event) {
    // Every string was made valid UTF-8 above: nothing is left to replace.
    return ConsoleWriteUtf8Line(event.dump(-1, ' ', false, Json::error_handler_t::replace));
}

}  // namespace

bool CJsonEvents::FileStarted(const char16_t* file) {
    Json event = Event("file-started");
    event["file"] = Utf8(file);
    event["mode"] = ModeWord(m_eMode);
    return Write(event);
}

bool CJsonEvents::Folder(const char16_t* file, const char16_t* path, EFolderStatus status) {
    Json event = Event("folder");
    event["file"] = Utf8(file);
    event["path"] = Utf8(path);
    event["status"] = status == EFolderStatus::Created  ? "created"
                    : status == EFolderStatus::Exists ? "exists"
                                                      : "refused";
    return Write(event);
}

bool CJsonEvents::Entry(const char16_t* file, const SEntryEvent& entry, uint32_t problems) {
    Json event = Event("entry");
    event["file"] = Utf8(file);
    event["path"] = Utf8(entry.pszPath);
    // Where it is (or would be) written, relative to the extraction folder.
    const bool trailing = (entry.nProblems & kProblemTrailingData) != 0;
    const bool placed = entry.eStatus != EEntryStatus::Damaged && entry.eStatus != EEntryStatus::Unsafe && !trailing;
    event["output"] = placed ? Json(Utf8(entry.pszFolder) + "/" + Utf8(entry.pszPath)) : Json(nullptr);
    event["name"] = Utf8(entry.pszName);
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
    return Write(event);
}

bool CJsonEvents::FileFinished(const SFileEvent& file, const SFileCounts& counts) {
    Json event = Event("file-finished");
    event["file"] = Utf8(file.pszPath);
    event["folder"] = Utf8(file.pszFolder);
    event["result"] = ResultWord(file.eResult);
    event["size"] = file.nSize >= 0 ? Json(file.nSize) : Json(nullptr);
    event["entries"] = counts.nEntries;
    event["written"] = counts.nWritten;
    event["folders"] = counts.nFolders;
    event["skipped"] = counts.nSkipped;
    event["filtered"] = counts.nFiltered;
    event["problems"] = counts.nProblems;
    return Write(event);
}

bool CJsonEvents::RunFinished(int32_t files, int32_t done, int status) {
    Json event = Event("run-finished");
    event["files"] = files;
    event["done"] = done;
    event["status"] = status;
    return Write(event);
}
