#include "packcli/PackReport.h"

#include <nlohmann/json.hpp>

#include "console/Console.h"
#include "base/Utf.h"

namespace {

using Json = nlohmann::ordered_json;

const char* ChangeWord(EPackChange change) {
    switch (change) {
    case EPackChange::Changed: return "changed";
    case EPackChange::Added: return "added";
    case EPackChange::Deleted: return "deleted";
    case EPackChange::StoredNotGzipped: return "stored-not-gzip";
    }
    return "changed";
}

Json Event(const char* name) {
    Json event;
    event["v"] = 1;
    event["event"] = name;
    return event;
}

std::string Utf8(const std::u16string& text) { return Utf16ToUtf8String(text.c_str()); }

}  // namespace

void CPackReport::Write(const Json& event) {
    Checked(ConsoleWriteUtf8Line(event.dump(-1, ' ', false, Json::error_handler_t::replace)));
}

void CPackReport::Checked(bool written) {
    if (!written && m_strOutputError.empty())
        m_strOutputError = ConsoleErrorText();
}

void CPackReport::Say(const std::u16string& line) {
    if (m_bQuiet)
        return;
    if (m_bJson)
        ConsoleWriteErrorLine(line.c_str());
    else
        Checked(ConsoleWriteLine(line.c_str()));
}

void CPackReport::Problem(const std::u16string& message) {
    ConsoleWriteError((u"vanto-pack: " + message + u"\n").c_str());
}

void CPackReport::Change(const SPackChange& change, SPackSummary& summary) {
    summary.nChanged += change.eChange == EPackChange::Changed;
    summary.nAdded += change.eChange == EPackChange::Added;
    summary.nDeleted += change.eChange == EPackChange::Deleted;
    if (change.eChange == EPackChange::StoredNotGzipped)
        Say(u"stored instead of gzip: " + change.strNote + u": " + change.strPath);
    else
        Say(Utf8ToUtf16String(ChangeWord(change.eChange)) + u": " + change.strPath);
    if (!m_bJson)
        return;
    Json event = Event("entry");
    event["path"] = Utf8(change.strPath);
    event["change"] = ChangeWord(change.eChange);
    if (!change.strNote.empty())
        event["note"] = Utf8(change.strNote);
    Write(event);
}

int CPackReport::Finish(const SPackSummary& summary) {
    if (summary.bIdentical)
        Say(u"identical to " + summary.strOriginal);
    if (summary.nStatus == 0) {
        std::u16string line = summary.strOutput + u": " + DecimalText(summary.nEntries) + u" entries, " +
                              DecimalText(summary.nSize) + u" bytes";
        if (summary.bManifest)
            line += u"; " + DecimalText(summary.nChanged) + u" changed, " + DecimalText(summary.nAdded) + u" added, " +
                    DecimalText(summary.nDeleted) + u" deleted";
        if (summary.bVerified)
            line += u"; verified";
        if (!m_bJson)
            Checked(ConsoleWriteLine(line.c_str()));
        else if (!m_bQuiet)
            ConsoleWriteErrorLine(line.c_str());
    } else {
        Problem(summary.strMessage + u" (nothing written)");
    }
    if (m_bJson) {
        Json event = Event("finished");
        event["folder"] = Utf8(summary.strFolder);
        event["output"] = summary.strOutput.empty() ? Json(nullptr) : Json(Utf8(summary.strOutput));
        event["mode"] = summary.bManifest ? "manifest" : "plain";
        event["entries"] = summary.nEntries;
        event["size"] = summary.nSize >= 0 ? Json(summary.nSize) : Json(nullptr);
        event["changed"] = summary.nChanged;
        event["added"] = summary.nAdded;
        event["deleted"] = summary.nDeleted;
        event["verified"] = summary.bVerified;
        event["identical"] = summary.bIdentical;
        event["status"] = summary.nStatus;
        event["message"] = summary.strMessage.empty() ? Json(nullptr) : Json(Utf8(summary.strMessage));
        Write(event);
    }
    Checked(ConsoleFlush());
    if (m_strOutputError.empty())
        return summary.nStatus;
    // Said once, and only here: the file itself is written (or not) all the same.
    Problem(u"cannot write the report on standard output: " + m_strOutputError +
            (summary.strOutput.empty() ? u"" : u"; " + summary.strOutput + u" is written"));
    return summary.nStatus ? summary.nStatus : 1;
}
