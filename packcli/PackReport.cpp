#include "packcli/PackReport.h"

#include <nlohmann/json.hpp>

#include "console/Console.h"
#include "rebuild/Localized.h"
#include "base/Utf.h"

namespace {

const char* ChangeWord(EPackChange change) {
    switch (change) {
    case EPackChange::Changed: return "changed";
    case EPackChange::Added: return "added";
    case EPackChange::Deleted: return "deleted";
    case EPackChange::StoredNotGzipped: return "stored-not-gzip";
    case EPackChange::Skipped: return "skipped";
    }
    return "changed";
}

std::u16string ChangeLabel(EPackChange change, bool japanese) {
    switch (change) {
    case EPackChange::Changed: return Localized(japanese, u"changed", u"変更");
    case EPackChange::Added: return Localized(japanese, u"added", u"追加");
    case EPackChange::Deleted: return Localized(japanese, u"deleted", u"削除");
    case EPackChange::StoredNotGzipped: return Localized(japanese, u"stored instead of gzip", u"gzip せず格納");
    case EPackChange::Skipped: return Localized(japanese, u"skipped", u"除外");
    }
    return u"";
}

// The entry's name when it is not the file's own: "mymod.t" for "mymod.txt".
bool NamedOtherwise(const SPackChange& change) {
    if (change.strEntryName.empty())
        return false;
    const size_t slash = change.strPath.find_last_of(u'/');
    const size_t backslash = change.strEntryName.find_last_of(u'\\');
    const std::u16string file = slash == std::u16string::npos ? change.strPath : change.strPath.substr(slash + 1);
    const std::u16string entry =
        backslash == std::u16string::npos ? change.strEntryName : change.strEntryName.substr(backslash + 1);
    return file != entry;
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
    summary.nSkipped += change.eChange == EPackChange::Skipped;
    std::u16string line = ChangeLabel(change.eChange, m_bJapanese) + u": ";
    if (change.eChange == EPackChange::StoredNotGzipped)
        line += change.strNote + u": ";
    line += change.strPath;
    if (change.eChange == EPackChange::Skipped)
        line += Localized(m_bJapanese, u" (new, matches ", u" (新規、パターン ") + change.strNote +
                Localized(m_bJapanese, u")", u" に一致)");
    else if (NamedOtherwise(change))
        line += Localized(m_bJapanese, u" (as entry ", u" (エントリ名 ") + change.strEntryName + u")";
    Say(line);
    if (!m_bJson)
        return;
    Json event = NewEvent("entry");
    event["path"] = JsonText(change.strPath);
    event["change"] = ChangeWord(change.eChange);
    if (!change.strNote.empty())
        event["note"] = JsonText(change.strNote);
    if (!change.strEntryName.empty())
        event["name"] = JsonText(change.strEntryName);
    m_output.WriteEvent(event);
}

void CPackReport::Refusal(const std::u16string& path, const std::u16string& message) {
    Problem(path + u": " + message);
    if (!m_bJson)
        return;
    Json event = NewEvent("refusal");
    event["path"] = JsonText(path);
    event["message"] = JsonText(message);
    m_output.WriteEvent(event);
}

std::u16string CPackReport::SummaryLine(const SPackSummary& summary) const {
    const bool ja = m_bJapanese;
    std::u16string line = summary.strOutput + u": ";
    if (summary.strNote.empty())
        line += DecimalText(summary.nEntries) + Localized(ja, u" entries, ", u" エントリ、") +
                DecimalText(summary.nSize) + Localized(ja, u" bytes", u" バイト");
    else
        line += summary.strNote;
    if (std::string(summary.pszMode) != "plain")
        line += u"; " + DecimalText(summary.nChanged) + Localized(ja, u" changed, ", u" 変更、") +
                DecimalText(summary.nAdded) + Localized(ja, u" added, ", u" 追加、") + DecimalText(summary.nDeleted) +
                Localized(ja, u" deleted", u" 削除");
    if (summary.nSkipped)
        line += u", " + DecimalText(summary.nSkipped) + Localized(ja, u" skipped", u" 除外");
    if (summary.bVerified)
        line += Localized(ja, u"; verified", u"; 検証済み");
    if (summary.bDryRun)
        line += Localized(ja, u" (dry run: nothing written)", u" (試行のみ: 何も書き込んでいません)");
    return line;
}

EExitStatus CPackReport::Finish(const SPackSummary& summary) {
    if (summary.bIdentical)
        Say(Localized(m_bJapanese, u"identical to ", u"元のファイルと同一: ") + summary.strOriginal);
    if (summary.eStatus == EExitStatus::Done) {
        const std::u16string line = SummaryLine(summary);
        if (!m_bJson)
            m_output.WriteLine(line.c_str());
        else if (!m_bQuiet)
            ConsoleWriteErrorLine(line.c_str());
    } else {
        Problem(summary.strMessage + Localized(m_bJapanese, u" (nothing written)", u" (何も書き込んでいません)"));
    }
    if (m_bJson) {
        Json event = NewEvent("finished");
        event["folder"] = summary.strFolder.empty() ? Json(nullptr) : Json(JsonText(summary.strFolder));
        event["output"] = summary.strOutput.empty() ? Json(nullptr) : Json(JsonText(summary.strOutput));
        event["mode"] = summary.pszMode;
        if (!summary.patches.empty()) {
            Json patches = Json::array();
            for (const std::u16string& patch : summary.patches)
                patches.push_back(JsonText(patch));
            event["patches"] = patches;
        }
        event["entries"] = summary.nEntries;
        event["size"] = summary.nSize >= 0 ? Json(summary.nSize) : Json(nullptr);
        event["changed"] = summary.nChanged;
        event["added"] = summary.nAdded;
        event["deleted"] = summary.nDeleted;
        event["skipped"] = summary.nSkipped;
        event["verified"] = summary.bVerified;
        event["identical"] = summary.bIdentical;
        event["dry_run"] = summary.bDryRun;
        event["status"] = int(summary.eStatus);
        event["message"] = summary.strMessage.empty() ? Json(nullptr) : Json(JsonText(summary.strMessage));
        m_output.WriteEvent(event);
    }
    m_output.Flush();
    if (!m_output.Failed())
        return summary.eStatus;
    // Said once, and only here: the file itself is written (or not) all the same.
    Problem(Localized(m_bJapanese, u"cannot write the report on standard output: ",
                      u"標準出力にレポートを書き込めません: ") +
            m_output.Failure() +
            (summary.strOutput.empty() || summary.bDryRun
                 ? u""
                 : u"; " + summary.strOutput + Localized(m_bJapanese, u" is written", u" は書き込み済みです")));
    return EExitStatus::Failed;
}
