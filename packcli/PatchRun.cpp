#include "packcli/PatchRun.h"

#include "console/ToolFiles.h"
#include "rebuild/Localized.h"
#include "packcli/PackFiles.h"
#include "rebuild/PatchFiles.h"
#include "patch/PatchApply.h"
#include "patch/PatchMaker.h"
#include "platform/SystemPlatform.h"
#include "base/Utf.h"

namespace {

// Whether the patch, read back from its bytes, turns base into result.
bool AppliesBack(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& base,
                 const std::vector<uint8_t>& result, std::string& why) {
    SPatch read;
    if (!ReadPatch(bytes.data(), bytes.size(), read, why))
        return false;
    std::vector<uint8_t> file = base;
    const SApplyResult applied = ApplyPatch(read, read.base, file);
    why = applied.strWhy;
    return applied.eStatus == EApplyStatus::Done && file == result;
}

bool LoadPatches(const SPackCliOptions& options, bool japanese, std::vector<SLoadedPatch>& patches,
                 std::u16string& error) {
    for (const std::u16string& path : options.applyPatches) {
        patches.push_back(SLoadedPatch());
        if (!LoadPatchFile(path, japanese, patches.back(), error))
            return false;
    }
    return true;
}

// The original: --base, else the name the first patch records, in the
// current folder, then beside the patch.
bool FindApplyBase(const SPackCliOptions& options, const SLoadedPatch& first, bool japanese,
                   std::vector<uint8_t>& base, std::u16string& basePath, std::u16string& error) {
    const std::u16string who = Localized(japanese, u"the patch ", u"パッチ ") + first.strPath;
    const SExpectedFile expected = ExpectedBaseOf(first.patch, who);
    if (!options.strBase.empty()) {
        basePath = options.strBase;
        return ReadOriginal(basePath, expected, japanese, base, error);
    }
    const std::u16string name = Utf8ToUtf16String(first.patch.strBaseName.c_str());
    if (!name.empty() && FindOriginal({name, FolderOf(first.strPath) + u'/' + name}, expected, japanese, base,
                                      basePath, error))
        return true;
    error = Localized(japanese, u"the original file is needed to apply the patch: ",
                      u"パッチを当てるには元のファイルが必要です: ") +
            error + Localized(japanese, u"; give it with --base ORIGINAL", u"。--base ORIGINAL で指定してください");
    return false;
}

}  // namespace

EExitStatus WritePatchFile(CSystemPlatform& platform, const SPackCliOptions& options, const std::u16string& baseName,
                           const std::vector<uint8_t>& base, const std::vector<uint8_t>& result, unsigned codePage,
                           const CProtectedFiles& protectedFiles, bool japanese, SPackSummary& summary) {
    SPatch patch;
    patch.nCodePage = codePage;
    patch.strBaseName = Utf16ToUtf8String(baseName.c_str());
    if (!MakePatch(base, result, patch)) {
        summary.strMessage = Localized(japanese, u"the system computes no SHA-256", u"SHA-256 を計算できません");
        return EExitStatus::Failed;
    }
    const std::vector<uint8_t> bytes = WritePatch(patch);
    std::string why;
    if (!AppliesBack(bytes, base, result, why)) {
        summary.strMessage = Localized(japanese, u"the patch does not give the packed file back: ",
                                       u"パッチから作成したファイルを再現できません: ") +
                             Utf8ToUtf16String(why.c_str());
        return EExitStatus::Failed;
    }
    const std::u16string& output = options.strPatch;
    const EExitStatus check = CheckOutput(output, options.bForce, protectedFiles, japanese, summary.strMessage);
    if (check != EExitStatus::Done)
        return check;
    summary.strOutput = output;
    summary.nSize = int64_t(bytes.size());
    summary.strNote = Localized(japanese, u"patch of ", u"パッチ ") + DecimalText(int64_t(bytes.size())) +
                      Localized(japanese, u" bytes, from ", u" バイト、元 ") + DecimalText(patch.base.nSize) +
                      Localized(japanese, u" to ", u" バイトから ") + DecimalText(patch.result.nSize) +
                      Localized(japanese, u" bytes", u" バイトへ");
    if (options.bDryRun || WriteOutput(platform, output, bytes, options.bForce, japanese, summary.strMessage))
        return EExitStatus::Done;
    summary.strOutput.clear();
    summary.nSize = -1;
    return EExitStatus::Failed;
}

EExitStatus ApplyPatches(const SPackCliOptions& options, CPackReport& report, SPackSummary& summary) {
    const bool japanese = report.Japanese();
    summary.pszMode = "apply";
    summary.patches = options.applyPatches;
    std::vector<SLoadedPatch> patches;
    if (!LoadPatches(options, japanese, patches, summary.strMessage))
        return EExitStatus::Failed;
    std::vector<uint8_t> file;
    std::u16string basePath;
    if (!FindApplyBase(options, patches[0], japanese, file, basePath, summary.strMessage))
        return EExitStatus::Failed;
    CSystemPlatform platform(patches[0].patch.nCodePage);
    if (!platform.IsCodePageSupported()) {
        summary.strMessage = u"code page not supported here: " + DecimalText(patches[0].patch.nCodePage);
        return EExitStatus::Failed;
    }
    CProtectedFiles protectedFiles;
    protectedFiles.Add(basePath, CProtectedFiles::EKind::Original);
    for (const SLoadedPatch& loaded : patches) {
        protectedFiles.Add(loaded.strPath, CProtectedFiles::EKind::Patch);
        const SApplyResult applied = ApplyPatch(loaded.patch, patches[0].patch.base, file);
        if (applied.eStatus != EApplyStatus::Done) {
            summary.strMessage = ApplyFailureText(loaded, applied, file, platform, japanese);
            return EExitStatus::Failed;
        }
        for (const SAppliedChange& change : applied.changes) {
            SPackChange line;
            line.strPath = PatchEntryText(platform, change.path, change.bTail, japanese);
            const std::string word = change.pszChange;
            line.eChange = word == "added" ? EPackChange::Added : word == "deleted" ? EPackChange::Deleted
                                                                                      : EPackChange::Changed;
            report.Change(line, summary);
        }
        report.Say(loaded.strPath + (applied.bExact ? Localized(japanese, u": applied; the result is the file it "
                                                                          u"records (SHA-256)",
                                                                u": 適用しました。結果は記録どおりのファイルです (SHA-256)")
                                                    : Localized(japanese, u": applied after the patches before it; "
                                                                          u"every entry it changes was as it expects",
                                                                u": 前のパッチの後に適用しました。変更するエントリは"
                                                                u"すべて期待どおりでした")));
    }
    const std::u16string output =
        options.strOutput.empty() ? ModdedName(NameOf(basePath)) : options.strOutput;
    const EExitStatus check = CheckOutput(output, options.bForce, protectedFiles, japanese, summary.strMessage);
    if (check != EExitStatus::Done)
        return check;
    summary.strOutput = output;
    summary.nSize = int64_t(file.size());
    summary.bVerified = true;
    summary.strNote = DecimalText(int64_t(file.size())) + Localized(japanese, u" bytes", u" バイト");
    if (options.bDryRun || WriteOutput(platform, output, file, options.bForce, japanese, summary.strMessage))
        return EExitStatus::Done;
    summary.strOutput.clear();
    summary.nSize = -1;
    return EExitStatus::Failed;
}
