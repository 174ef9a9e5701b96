// vanto-extract: runs the batch extraction on the files named on the command
// line, as a drop on the window would, and prints the log lines.
#include <string>
#include <vector>

#include "base/Text.h"
#include "batch/PathList.h"
#include "cli/CliExtractor.h"
#include "cli/CliOptions.h"
#include "cli/OutputFolder.h"
#include "cli/ProgressLine.h"
#include "cmdline/ToolRunner.h"
#include "console/Console.h"
#include "console/ToolFiles.h"
#include "extract/WritePool.h"
#include "base/Utf.h"

#include "platform/SystemPlatform.h"


namespace {

const char16_t kTool[] = u"vanto-extract";

EExitStatus UsageError(const std::u16string& message) { return ::UsageError(kTool, message, CliUsageLine()); }

// -C DIR into extractionFolder: made when it is missing, unless nothing is
// to be written. Done, or the status of a refusal that standard error tells.
EExitStatus PrepareOutputFolder(IPlatform& platform, const SCliOptions& options, std::u16string& extractionFolder) {
    const SOutputFolder folder =
        ReadyOutputFolder(platform, options.strOutputFolder, options.eMode == EJobMode::Extract);
    extractionFolder = folder.strAbsolute;
    switch (folder.eResult) {
    case EOutputFolder::Ready: return EExitStatus::Done;
    case EOutputFolder::NotAFolder: return UsageError(u"not a folder: " + folder.strAt);
    case EOutputFolder::Link:
        ConsoleWriteError((std::u16string(kTool) + u": -C " + options.strOutputFolder + u": a link stands at " +
                           folder.strAt + u"; no folder is made through one\n")
                              .c_str());
        break;
    case EOutputFolder::Climbs:
        ConsoleWriteError((std::u16string(kTool) + u": -C " + options.strOutputFolder +
                           u": '..' in the folders to be made; name them without it\n")
                              .c_str());
        break;
    case EOutputFolder::CannotCreate:
        ConsoleWriteError((std::u16string(kTool) + u": -C " + options.strOutputFolder + u": cannot create " +
                           folder.strAt + u"\n")
                              .c_str());
        break;
    }
    return EExitStatus::Failed;
}

// What the engine does with an output folder that is taken.
EExistingFolder ExistingFolderPolicy(SCliOptions::EExisting existing) {
    switch (existing) {
    case SCliOptions::EExisting::Rename: return EExistingFolder::Rename;
    case SCliOptions::EExisting::Into: return EExistingFolder::Into;
    default: return EExistingFolder::Ask;  // the front end asks, or says why it skips
    }
}

// Where the progress goes: a status line on a terminal unless -q is given;
// plain lines with --progress; otherwise nowhere.
CProgressLine::EStyle ProgressStyle(const SCliOptions& options) {
    if (options.bProgress)
        return CProgressLine::EStyle::Plain;
    return options.nQuiet == 0 && ConsoleErrorIsTerminal() ? CProgressLine::EStyle::Terminal
                                                           : CProgressLine::EStyle::None;
}

EExitStatus Run(const std::vector<std::u16string>& args) {
    SCliOptions options;
    std::u16string error;
    if (!ParseCliOptions(args, options, error))
        return UsageError(error);
    if (options.bHelp) {
        ConsoleWriteLine(CliUsageText().c_str());
        return EExitStatus::Done;
    }
    if (options.bVersion)
        return ConsoleWriteLine(VersionText("vanto-extract").c_str()) && ConsoleFlush() ? EExitStatus::Done
                                                                                         : EExitStatus::Failed;

    std::u16string localeName = DefaultLocaleName();
    if (options.eLanguage == SCliOptions::ELanguage::Japanese)
        localeName = u"ja-JP";
    else if (options.eLanguage == SCliOptions::ELanguage::English)
        localeName = u"en-US";

    CSystemPlatform platform(options.nCodePage);  // 0: the platform's default
    if (!platform.IsCodePageSupported())
        return UsageError(u"code page not supported here: " +
                          Utf8ToUtf16String(std::to_string(options.nCodePage).c_str()));
    std::u16string extractionFolder;
    if (!options.strOutputFolder.empty()) {
        const EExitStatus prepared = PrepareOutputFolder(platform, options, extractionFolder);
        if (prepared != EExitStatus::Done)
            return prepared;
    }

    const CGlobSelection selection(options.includes, options.excludes);
    SExtractOptions engineOptions;
    engineOptions.pszLocaleName = localeName.c_str();
    engineOptions.pszExtractionFolder = extractionFolder.c_str();
    engineOptions.eMode = options.eMode;
    if (!options.includes.empty() || !options.excludes.empty())
        engineOptions.pSelection = &selection;
    engineOptions.eExistingFolder = ExistingFolderPolicy(options.eExisting);
    engineOptions.nWriteThreads = options.nThreads ? int(options.nThreads) : DefaultWriteThreads();

    std::vector<long long> sizes;
    const CProgressLine::EStyle style = ProgressStyle(options);
    if (style != CProgressLine::EStyle::None) {
        for (const std::u16string& file : options.files)
            sizes.push_back(FileSizeAt(file));
    }
    CProgressLine progress(style, sizes);
    if (LogsToErrors(options))
        ConsoleBufferErrors();  // the log goes there
    CCliExtractor extractor(platform, engineOptions, options, progress);
    CPathList drop(options.files);  // the files, read as the paths of one drop
    const int32_t done = extractor.ExtractFiles(drop);
    // Running out of memory ends the run before every file is extracted: a
    // script must not read that as success. The log has said so; nothing
    // more is said.
    if (extractor.RanOutOfMemory()) {
        ConsoleFlush();
        return EExitStatus::Failed;
    }
    if (extractor.OutputClosed())
        return EExitStatus::Cut;  // quietly: the reader wanted no more
    progress.Finish();
    const EExitStatus status = extractor.FinishRun(done);
    if (!ConsoleFlush()) {
        extractor.ReportLogFailure();
        return extractor.OutputClosed() ? EExitStatus::Cut : EExitStatus::Failed;
    }
    return status;
}

int RunExtract(const std::vector<std::u16string>& args) { return RunGuarded(kTool, Run, args); }

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return ConsoleRunTool(argc, argv, RunExtract); }
#else
int main(int argc, char** argv) { return ConsoleRunTool(argc, argv, RunExtract); }
#endif
