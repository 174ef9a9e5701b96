// vanto-pack: builds a custom file from a folder, against the manifest that
// vanto-extract --manifest wrote beside it, or from the folder tree alone.
#include <string>
#include <vector>

#include "cmdline/Glob.h"
#include "cmdline/ToolRunner.h"
#include "console/Console.h"
#include "console/ToolFiles.h"
#include "pack/PackVerify.h"
#include "pack/Packer.h"
#include "packcli/DiskFolderSource.h"
#include "packcli/PackOptions.h"
#include "packcli/PackReport.h"
#include "platform/SystemPlatform.h"
#include "base/Utf.h"


namespace {

constexpr unsigned kDefaultCodePage = 932;
const char16_t kExistsText[] = u": exists; use --force to replace it";

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

size_t LastSeparator(const std::u16string& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSystemSeparator(path[i - 1]))
            return i - 1;
    }
    return std::u16string::npos;
}

std::u16string FolderOf(const std::u16string& path) {
    const size_t separator = LastSeparator(path);
    return separator == std::u16string::npos ? u"." : separator == 0 ? path.substr(0, 1) : path.substr(0, separator);
}

std::u16string NameOf(const std::u16string& path) {
    const size_t separator = LastSeparator(path);
    return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

uint32_t Crc32Of(const std::vector<uint8_t>& bytes) { return ManifestCrc32(bytes.data(), bytes.size()); }

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

// The original file: --base, else the manifest's source.path, else
// source.name beside the manifest; taken only when its size and CRC-32 are
// the manifest's.
bool FindBase(IPlatform& platform, const SPackCliOptions& options, const SManifest& manifest,
              const std::u16string& manifestPath, std::vector<uint8_t>& base, std::u16string& basePath,
              std::u16string& error) {
    const auto matches = [&](const std::u16string& path) {
        return ReadWholeFileAt(path, base) && base.size() == size_t(manifest.nSourceSize) &&
               Crc32Of(base) == manifest.nSourceCrc;
    };
    if (!options.strBase.empty()) {
        basePath = options.strBase;
        if (matches(basePath))
            return true;
        error = base.empty() ? basePath + u": cannot be read"
                             : basePath + u": not the manifest's original: it has " +
                                   DecimalText(int64_t(base.size())) + u" bytes and CRC-32 " +
                                   DecimalText(Crc32Of(base)) + u", the manifest says " +
                                   DecimalText(manifest.nSourceSize) + u" and " + DecimalText(manifest.nSourceCrc);
        return false;
    }
    const std::u16string beside = FolderOf(manifestPath) + u'/' + NameOf(manifest.strSourceName);
    for (const std::u16string& path : {manifest.strSourcePath, beside}) {
        if (!path.empty() && matches(path)) {
            basePath = path;
            return true;
        }
    }
    error = u"the original file is needed to rebuild the folder, and neither " +
            (manifest.strSourcePath.empty() ? std::u16string() : manifest.strSourcePath + u" nor ") + beside +
            u" matches the manifest; give it with --base ORIGINAL";
    return false;
}

// Writes the bytes as `output` without replacing anything, or with --force
// under a free temporary name that then replaces it.
bool WriteOutput(CSystemPlatform& platform, const std::u16string& output, const std::vector<uint8_t>& bytes, bool force,
                 std::u16string& error) {
    std::u16string folder;
    if (!ResolveExistingFolder(FolderOf(output), folder)) {
        error = output + u": its folder is not there";
        return false;
    }
    const std::u16string name = NameOf(output);
    const EPathKind kind = PathItemAt(output).eKind;
    if (kind != EPathKind::None && (kind != EPathKind::File || !force)) {
        error = output + (kind == EPathKind::File ? kExistsText : u": exists and is no file");
        return false;
    }
    if (!platform.OpenOutputRoot(folder.c_str())) {
        error = folder + u": cannot be opened";
        return false;
    }
    std::u16string written = name;
    EWriteResult result = EWriteResult::Exists;
    for (int n = 1; n <= 100 && result == EWriteResult::Exists; ++n) {
        if (kind == EPathKind::File)
            written = u"." + name + u".vanto-pack-" + DecimalText(n) + u".tmp";
        result = platform.WriteNewFileInRoot(written.c_str(), bytes.data(), bytes.size());
        if (kind != EPathKind::File)
            break;
    }
    platform.CloseOutputRoot();
    if (result != EWriteResult::Written) {
        error = output + (result == EWriteResult::Exists ? kExistsText : u": cannot be written");
        return false;
    }
    const std::u16string temporary = folder + u'/' + written;
    if (kind == EPathKind::File && !ReplaceFileAt(temporary, folder + u'/' + name)) {
        error = output + u": cannot be replaced: " + ConsoleErrorText();
        RemoveFileAt(temporary);
        return false;
    }
    return true;
}

struct SRun {
    SPackCliOptions options;
    std::u16string strFolder;          // as given, without trailing separators
    std::u16string strAbsoluteFolder;  // its absolute path: the manifest and the output go beside it
    std::u16string strManifestPath;
    bool bManifest = false;
    SManifest manifest;
};

// Reads FOLDER.vanto.json when it is there. False with a message when it is
// there but cannot be read or is no manifest.
bool LoadManifest(SRun& run, std::u16string& error) {
    run.strManifestPath = run.strAbsoluteFolder + u".vanto.json";
    if (PathItemAt(run.strManifestPath).eKind == EPathKind::None)
        return true;
    run.bManifest = true;
    std::vector<uint8_t> text;
    if (!ReadWholeFileAt(run.strManifestPath, text)) {
        error = run.strManifestPath + u": cannot be read";
        return false;
    }
    std::u16string why;
    if (!ReadManifest(std::string(text.begin(), text.end()), run.manifest, why)) {
        error = run.strManifestPath + u": " + why;
        return false;
    }
    return true;
}

std::u16string DefaultOutput(const SRun& run) {
    std::u16string extension = u".god";
    if (run.bManifest) {
        const std::u16string source = NameOf(run.manifest.strSourceName);
        const size_t dot = source.find_last_of(u'.');
        if (dot != std::u16string::npos && dot > 0)
            extension = source.substr(dot);
    }
    return run.strAbsoluteFolder + extension;
}

EExitStatus Pack(SRun& run, CSystemPlatform& platform, CPackReport& report, SPackSummary& summary) {
    const SPackCliOptions& options = run.options;
    std::vector<uint8_t> base;
    std::u16string basePath;
    if (run.bManifest && !FindBase(platform, options, run.manifest, run.strManifestPath, base, basePath,
                                   summary.strMessage))
        return EExitStatus::Failed;

    // The folder is held from here on: what is read is what it holds now.
    CDiskFolderSource source;
    if (source.Open(run.strFolder) != ESourceResult::Ok) {
        summary.strMessage = run.strFolder + u": cannot be opened as a folder (a link is never followed)";
        return EExitStatus::Failed;
    }
    const CGzipSelection gzip(options.gzipGlobs);
    SPackOptions packOptions;
    packOptions.nLevel = options.nLevel;
    packOptions.pGzip = options.gzipGlobs.empty() ? nullptr : &gzip;
    packOptions.nCodePage = run.bManifest ? run.manifest.nCodePage : options.nCodePage ? options.nCodePage
                                                                                        : kDefaultCodePage;
    CPacker packer(platform, source, packOptions);
    SPackResult result = run.bManifest ? packer.PackWithManifest(run.manifest, base.data(), base.size())
                                       : packer.PackPlain();
    if (result.eStatus != EPackStatus::Done) {
        summary.strMessage = (result.strPath.empty() ? run.strFolder : run.strFolder + u'/' + result.strPath) + u": " +
                             result.strMessage;
        return ExitStatusOf(result.eStatus);
    }
    for (const SPackChange& change : result.changes)
        report.Change(change, summary);
    summary.nEntries = result.nEntries;

    if (options.bVerify) {
        std::vector<std::u16string> differences = VerifyPacked(platform, source, result);
        const bool unchanged = run.bManifest && result.changes.empty();
        if (unchanged && result.bytes != base)
            differences.push_back(u"the folder is unchanged, but the bytes differ from " + basePath);
        for (const std::u16string& difference : differences)
            report.Problem(u"verify: " + difference);
        if (!differences.empty()) {
            summary.strMessage = u"the packed file does not read back as " + run.strFolder;
            return EExitStatus::Failed;
        }
        summary.bVerified = true;
        summary.bIdentical = unchanged;
        summary.strOriginal = basePath;
    }

    const std::u16string output = options.strOutput.empty() ? DefaultOutput(run) : options.strOutput;
    if (!WriteOutput(platform, output, result.bytes, options.bForce, summary.strMessage))
        return EExitStatus::Failed;
    summary.strOutput = output;
    summary.nSize = int64_t(result.bytes.size());
    return EExitStatus::Done;
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

    run.strFolder = TrimSeparators(options.strFolder);
    CPackReport report(options.bJson, options.bQuiet);
    SPackSummary summary;
    summary.strFolder = run.strFolder;
    if (PathItemAt(run.strFolder).eKind != EPathKind::Folder ||
        !ResolveExistingFolder(run.strFolder, run.strAbsoluteFolder)) {
        summary.strMessage = run.strFolder + u": not a folder";
        summary.eStatus = EExitStatus::Failed;
        return report.Finish(summary);
    }
    if (!LoadManifest(run, summary.strMessage)) {
        summary.eStatus = EExitStatus::Failed;
        return report.Finish(summary);
    }
    summary.bManifest = run.bManifest;
    if (!run.bManifest && !options.strBase.empty())
        return UsageError(u"--base goes with a manifest, and " + run.strManifestPath + u" is not there");
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

int RunPack(const std::vector<std::u16string>& args) { return RunGuarded(kTool, Run, args); }

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return ConsoleRunTool(argc, argv, RunPack); }
#else
int main(int argc, char** argv) { return ConsoleRunTool(argc, argv, RunPack); }
#endif
