#include "packcli/PackReport.h"

#include <nlohmann/json.hpp>

#include "console/Console.h"
#include "base/Utf.h"

namespace {

const char* ChangeWord(EPackChange change) {
    switch (change) {
    case EPackChange::Changed: return "changed";
    case EPackChange::Added: return "added";
    case EPackChange::Deleted: return "deleted";
    case EPackChange::StoredNotGzipped: return "stored-not-gzip";
    }
    return "changed";
}

}  // namespace

void CPackReport::Say(const std::u16string& line) {
    if (m_bQuiet)
        return;
    if (m_bJson)
        ConsoleWriteErrorLine(line.c_str());
    else
        m_output.WriteLine(line.c_str());
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
    Json event = NewEvent("entry");
    event["path"] = JsonText(change.strPath);
    event["change"] = ChangeWord(change.eChange);
    if (!change.strNote.empty())
        event["note"] = JsonText(change.strNote);
    m_output.WriteEvent(event);
}

EExitStatus CPackReport::Finish(const SPackSummary& summary) {
    if (summary.bIdentical)
        Say(u"identical to " + summary.strOriginal);
    if (summary.eStatus == EExitStatus::Done) {
        std::u16string line = summary.strOutput + u": " + DecimalText(summary.nEntries) + u" entries, " +
                              DecimalText(summary.nSize) + u" bytes";
        if (summary.bManifest)
            line += u"; " + DecimalText(summary.nChanged) + u" changed, " + DecimalText(summary.nAdded) + u" added, " +
                    DecimalText(summary.nDeleted) + u" deleted";
        if (summary.bVerified)
            line += u"; verified";
        if (!m_bJson)
            m_output.WriteLine(line.c_str());
        else if (!m_bQuiet)
            ConsoleWriteErrorLine(line.c_str());
    } else {
        Problem(summary.strMessage + u" (nothing written)");
    }
    if (m_bJson) {
        Json event = NewEvent("finished");
        event["folder"] = JsonText(summary.strFolder);
        event["output"] = summary.strOutput.empty() ? Json(nullptr) : Json(JsonText(summary.strOutput));
        event["mode"] = summary.bManifest ? "manifest" : "plain";
        event["entries"] = summary.nEntries;
        event["size"] = summary.nSize >= 0 ? Json(summary.nSize) : Json(nullptr);
        event["changed"] = summary.nChanged;
        event["added"] = summary.nAdded;
        event["deleted"] = summary.nDeleted;
        event["verified"] = summary.bVerified;
        event["identical"] = summary.bIdentical;
        event["status"] = int(summary.eStatus);
        event["message"] = summary.strMessage.empty() ? Json(nullptr) : Json(JsonText(summary.strMessage));
        m_output.WriteEvent(event);
    }
    m_output.Flush();
    if (!m_output.Failed())
        return summary.eStatus;
    // Said once, and only here: the file itself is written (or not) all the same.
    Problem(u"cannot write the report on standard output: " + m_output.Failure() +
            (summary.strOutput.empty() ? u"" : u"; " + summary.strOutput + u" is written"));
    return EExitStatus::Failed;
}
