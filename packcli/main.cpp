// vanto-pack: builds a custom file from a folder, against the manifest that
// vanto-extract --manifest wrote beside it, or from the folder tree alone;
// writes a patch of the changes, or applies patches to an original.
#include <string>
#include <vector>

#include "cmdline/Glob.h"
#include "cmdline/ToolRunner.h"
#include "console/Console.h"
#include "console/ToolFiles.h"
#include "extract/UiLanguage.h"
#include "pack/PackVerify.h"
#include "pack/Packer.h"
#include "rebuild/DiskFolderSource.h"
#include "rebuild/Localized.h"
#include "packcli/PackFiles.h"
#include "packcli/PackOptions.h"
#include "packcli/PackReport.h"
#include "packcli/PatchRun.h"
#include "rebuild/FolderManifest.h"
#include "platform/SystemPlatform.h"
#include "base/Utf.h"

namespace {

constexpr unsigned kDefaultCodePage = 932;
const char16_t kTool[] = u"vanto-pack";

EExitStatus UsageError(const std::u16string& message) { return ::UsageError(kTool, message, PackUsageLine()); }

// The packer's outcome as the tool's exit status: the one place they meet.
EExitStatus ExitStatusOf(EPackStatus status) {
    switch (status) {
    case EPackStatus::Done: return EExitStatus::Done;
    case EPackStatus::Failed: return EExitStatus::Failed;
    case EPackStatus::Refused: return EExitStatus::Problem;
    }
    return EExitStatus::Failed;
}

std::u16string TrimSeparators(std::u16string path) {
    while (path.size() > 1 && IsSystemSeparator(path.back()))
        path.pop_back();
    return path;
}

// --gzip: the paths that any of the patterns selects, as --include does.
class CGzipSelection final : public IEntrySelection {
public:
    explicit CGzipSelection(const std::vector<std::u16string>& patterns) : m_patterns(patterns) {}
    bool Selects(const char16_t* path) const override {
        for (const std::u16string& pattern : m_patterns) {
            if (MatchGlobPath(pattern, path))
                return true;
        }
        return false;
    }

private:
    const std::vector<std::u16string>& m_patterns;
};

// --exclude and the default patterns, as vanto-extract's --exclude matches.
// The skip rule of the options: the default patterns unless
// --no-default-excludes, then every --exclude.
std::vector<std::u16string> SkipPatternsOf(const SPackCliOptions& options) {
    std::vector<std::u16string> patterns;
    if (options.bDefaultExcludes)
        patterns = DefaultExcludes();
    patterns.insert(patterns.end(), options.excludeGlobs.begin(), options.excludeGlobs.end());
    return patterns;
}

struct SRun {
    SPackCliOptions options;
    bool bJapanese = false;
    std::u16string strFolder;          // as given, without trailing separators
    std::u16string strAbsoluteFolder;  // its absolute path: the manifest and the output go beside it
    std::u16string strManifestPath;
    bool bManifest = false;
    SManifest manifest;
    CProtectedFiles protectedFiles;
};

std::u16string Text(const SRun& run, const char16_t* english, const char16_t* japanese) {
    return Localized(run.bJapanese, english, japanese);
}

// Reads FOLDER.vanto.json when it is there. False with a message when it is
// there but cannot be read or is no manifest.
bool LoadManifest(SRun& run, std::u16string& error) {
    const EFolderManifest loaded =
        LoadFolderManifest(run.strAbsoluteFolder, run.bJapanese, run.manifest, run.strManifestPath, error);
    run.bManifest = loaded != EFolderManifest::None;
    if (run.bManifest)
        run.protectedFiles.Add(run.strManifestPath, CProtectedFiles::EKind::Manifest);
    return loaded != EFolderManifest::Failed;
}

bool FindBase(SRun& run, std::vector<uint8_t>& base, std::u16string& basePath, std::u16string& error) {
    if (!run.options.strBase.empty()) {
        for (const std::u16string& place : OriginalPlacesOf(run.manifest, run.strManifestPath))
            run.protectedFiles.Add(place, CProtectedFiles::EKind::Original);
        const std::u16string who = Text(run, u"the manifest", u"マニフェスト");
        basePath = run.options.strBase;
        run.protectedFiles.Add(basePath, CProtectedFiles::EKind::Original);
        return ReadOriginal(basePath, ExpectedOriginalOf(run.manifest, who), run.bJapanese, base, error);
    }
    if (FindManifestOriginal(run.manifest, run.strManifestPath, run.bJapanese, run.protectedFiles, base, basePath,
                             error))
        return true;
    error = Text(run, u"the original file is needed to rebuild the folder: ", u"フォルダを元に戻すには元のファイルが必要です: ") +
            error + Text(run, u"; give it with --base ORIGINAL", u"。--base ORIGINAL で指定してください");
    return false;
}

std::u16string DefaultOutput(const SRun& run) {
    const std::u16string name = NameOf(run.strFolder);
    const std::u16string& folder = name == u"." || name == u".." ? run.strAbsoluteFolder : run.strFolder;
    return folder + RebuiltFileSuffix(run.bManifest ? &run.manifest : nullptr);
}

void ReportResult(const SRun& run, const SPackResult& result, CPackReport& report, SPackSummary& summary) {
    if (!run.bManifest)
        report.Say(Text(run,
                        u"no manifest (FOLDER.vanto.json): a new file is built from the tree alone: entries in name "
                        u"order, named as the files are; each folder a child container NAME.pak; files stored, gzip "
                        u"where --gzip says",
                        u"マニフェスト (FOLDER.vanto.json) がありません: フォルダの内容だけから新しいファイルを作ります。"
                        u"エントリは名前順、名前はファイル名のまま、フォルダは子コンテナ NAME.pak、ファイルは無圧縮で"
                        u"格納します (--gzip で指定したものは gzip)"));
    for (const SPackChange& change : result.changes)
        report.Change(change, summary);
    for (const SPackProblem& refusal : result.refusals)
        report.Refusal(refusal.strPath.empty() ? run.strFolder : run.strFolder + u'/' + refusal.strPath,
                       refusal.strMessage);
}

EExitStatus Verify(const SRun& run, CSystemPlatform& platform, IFolderSource& source, const SPackResult& result,
                   const std::vector<uint8_t>& base, const std::u16string& basePath, CPackReport& report,
                   SPackSummary& summary) {
    std::vector<std::u16string> differences = VerifyPacked(platform, source, result);
    const bool unchanged = run.bManifest && result.changes.size() == size_t(summary.nSkipped);
    if (unchanged && result.bytes != base)
        differences.push_back(Text(run, u"the folder is unchanged, but the bytes differ from ",
                                   u"フォルダは変更されていませんが、バイト列が次と異なります: ") +
                              basePath);
    for (const std::u16string& difference : differences)
        report.Problem(u"verify: " + difference);
    if (!differences.empty()) {
        summary.strMessage = Text(run, u"the packed file does not read back as ",
                                  u"作成したファイルを読み戻すと次と一致しません: ") +
                             run.strFolder;
        return EExitStatus::Failed;
    }
    summary.bVerified = true;
    summary.bIdentical = unchanged;
    summary.strOriginal = basePath;
    return EExitStatus::Done;
}

EExitStatus Pack(SRun& run, CSystemPlatform& platform, CPackReport& report, SPackSummary& summary) {
    const SPackCliOptions& options = run.options;
    std::vector<uint8_t> base;
    std::u16string basePath;
    if (run.bManifest && !FindBase(run, base, basePath, summary.strMessage))
        return EExitStatus::Failed;

    // The folder is held from here on: what is read is what it holds now.
    CDiskFolderSource source;
    if (source.Open(run.strFolder) != ESourceResult::Ok) {
        summary.strMessage = run.strFolder + Text(run, u": cannot be opened as a folder (a link is never followed)",
                                                  u": フォルダとして開けません (リンクはたどりません)");
        return EExitStatus::Failed;
    }
    const CGzipSelection gzip(options.gzipGlobs);
    const CSkipPatterns skip(SkipPatternsOf(options));
    SPackOptions packOptions;
    packOptions.nLevel = options.nLevel;
    packOptions.pGzip = options.gzipGlobs.empty() ? nullptr : &gzip;
    packOptions.pSkip = &skip;
    packOptions.bJapanese = run.bJapanese;
    packOptions.nCodePage = run.bManifest ? run.manifest.nCodePage : options.nCodePage ? options.nCodePage
                                                                                        : kDefaultCodePage;
    CPacker packer(platform, source, packOptions);
    SPackResult result = run.bManifest ? packer.PackWithManifest(run.manifest, base.data(), base.size())
                                       : packer.PackPlain();
    ReportResult(run, result, report, summary);
    if (result.eStatus != EPackStatus::Done) {
        // Each refusal has had its line; a failure has its own.
        if (result.eStatus == EPackStatus::Refused)
            summary.strMessage = run.strFolder + u": " + DecimalText(int64_t(result.refusals.size())) +
                                 Text(run, u" refused, each said above", u" 件を拒否しました (上記のとおり)");
        else
            summary.strMessage = (result.strPath.empty() ? run.strFolder : run.strFolder + u'/' + result.strPath) +
                                 u": " + result.strMessage;
        return ExitStatusOf(result.eStatus);
    }
    summary.nEntries = result.nEntries;
    if (options.bVerify) {
        const EExitStatus verified = Verify(run, platform, source, result, base, basePath, report, summary);
        if (verified != EExitStatus::Done)
            return verified;
    }
    if (!options.strPatch.empty())
        return WritePatchFile(platform, options, NameOf(run.manifest.strSourceName), base, result.bytes,
                              packOptions.nCodePage, run.protectedFiles, run.bJapanese, summary);

    const std::u16string output = options.strOutput.empty() ? DefaultOutput(run) : options.strOutput;
    const EExitStatus check = CheckOutput(output, options.bForce, run.protectedFiles, run.bJapanese, summary.strMessage);
    if (check != EExitStatus::Done)
        return check;
    summary.strOutput = output;
    summary.nSize = int64_t(result.bytes.size());
    if (options.bDryRun)
        return EExitStatus::Done;
    if (!WriteOutput(platform, output, result.bytes, options.bForce, run.bJapanese, summary.strMessage)) {
        summary.strOutput.clear();
        summary.nSize = -1;
        return EExitStatus::Failed;
    }
    return EExitStatus::Done;
}

bool IsJapanese(const SPackCliOptions& options) {
    if (options.eLanguage != SPackCliOptions::ELanguage::Default)
        return options.eLanguage == SPackCliOptions::ELanguage::Japanese;
    return IsJapaneseLocaleName(DefaultLocaleName().c_str());
}

EExitStatus RunFolder(SRun& run, CPackReport& report, SPackSummary& summary) {
    const SPackCliOptions& options = run.options;
    run.strFolder = TrimSeparators(options.strFolder);
    summary.strFolder = run.strFolder;
    if (PathItemAt(run.strFolder).eKind != EPathKind::Folder ||
        !ResolveExistingFolder(run.strFolder, run.strAbsoluteFolder)) {
        summary.strMessage = run.strFolder + Text(run, u": not a folder", u": フォルダではありません");
        summary.eStatus = EExitStatus::Failed;
        return report.Finish(summary);
    }
    if (!LoadManifest(run, summary.strMessage)) {
        summary.eStatus = EExitStatus::Failed;
        return report.Finish(summary);
    }
    summary.pszMode = !options.strPatch.empty() ? "patch" : run.bManifest ? "manifest" : "plain";
    if (!run.bManifest && !options.strBase.empty())
        return UsageError(u"--base goes with a manifest, and " + run.strManifestPath + u" is not there");
    if (!run.bManifest && !options.strPatch.empty())
        return UsageError(u"--patch needs the manifest, and " + run.strManifestPath + u" is not there");
    if (run.bManifest && options.nCodePage && options.nCodePage != run.manifest.nCodePage)
        return UsageError(u"--codepage " + DecimalText(options.nCodePage) + u" differs from the manifest's code page " +
                          DecimalText(run.manifest.nCodePage));
    const unsigned codePage = run.bManifest ? run.manifest.nCodePage : options.nCodePage;
    CSystemPlatform platform(codePage);  // 0: the platform's default, 932
    if (!platform.IsCodePageSupported())
        return UsageError(u"code page not supported here: " + DecimalText(codePage));
    if (options.bJson)
        ConsoleBufferErrors();
    summary.eStatus = Pack(run, platform, report, summary);
    return report.Finish(summary);
}

EExitStatus Run(const std::vector<std::u16string>& args) {
    SRun run;
    std::u16string error;
    if (!ParsePackOptions(args, run.options, error))
        return UsageError(error);
    const SPackCliOptions& options = run.options;
    if (options.bHelp) {
        ConsoleWriteLine(PackUsageText().c_str());
        return EExitStatus::Done;
    }
    if (options.bVersion)
        return ConsoleWriteLine(VersionText("vanto-pack").c_str()) && ConsoleFlush() ? EExitStatus::Done
                                                                                      : EExitStatus::Failed;
    run.bJapanese = IsJapanese(options);
    CPackReport report(options.bJson, options.bQuiet, run.bJapanese);
    SPackSummary summary;
    summary.bDryRun = options.bDryRun;
    if (!options.applyPatches.empty()) {
        if (options.bJson)
            ConsoleBufferErrors();
        summary.eStatus = ApplyPatches(options, report, summary);
        return report.Finish(summary);
    }
    return RunFolder(run, report, summary);
}

int RunPack(const std::vector<std::u16string>& args) { return RunGuarded(kTool, Run, args); }

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return ConsoleRunTool(argc, argv, RunPack); }
#else
int main(int argc, char** argv) { return ConsoleRunTool(argc, argv, RunPack); }
#endif
