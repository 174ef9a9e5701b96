#include "cli/CliOptions.h"

#include "cmdline/OptionTable.h"

namespace {

enum EOption {
    kList, kTest, kStdout, kOutputFolder, kInclude, kExclude, kExisting, kQuiet, kManifest, kJson, kLog, kProgress,
    kJapanese, kEnglish, kCodePage, kThreads, kVersion, kHelp,
};

// Every option, once: what the parser matches and what --help shows.
const std::vector<SOptionRow>& OptionTable() {
    static const std::vector<SOptionRow> kTable = {
        {u"-l, --list", nullptr, kList, u"list every entry as it would be written; write nothing",
         u"Modes (extraction when none is given):"},
        {u"-t, --test", nullptr, kTest, u"read every entry and check every gzip stream; write nothing"},
        {u"-p, --stdout", nullptr, kStdout,
         u"write the selected entries' content (inflated, as extraction\n"
         u"writes it) to standard output, in the file's order; nothing\n"
         u"goes to the disk, the listing goes to standard error"},
        {u"-C", u"DIR", kOutputFolder,
         u"extract into DIR instead of the current folder; DIR and its\n"
         u"missing parents are created (never through a link)",
         u"Options:"},
        {u"--include", u"GLOB", kInclude, u"take only entries whose path inside the file matches GLOB"},
        {u"--exclude", u"GLOB", kExclude,
         u"leave out entries whose path matches GLOB (both repeatable;\n"
         u"* ? [abc] within a folder, ** across folders, any letter case;\n"
         u"without a '/' GLOB matches a name at any level; a folder's\n"
         u"pattern takes or leaves all below it)"},
        {u"--existing", u"WHAT", kExisting,
         u"when the output folder exists: ask, skip, rename to\n"
         u"\"NAME (2)\", ..., or into: fill it, skipping the files that\n"
         u"exist (default: ask on a terminal, else skip)"},
        {u"-q", nullptr, kQuiet, u"show only problems and one summary line per file"},
        {u"-qq", nullptr, kHelpOnly, u"show only problems"},
        {u"--manifest", nullptr, kManifest,
         u"write NAME.vanto.json beside each folder NAME: what\n"
         u"vanto-pack needs to build the file again"},
        {u"--json", nullptr, kJson,
         u"JSON Lines events on standard output; the log is not shown"},
        {u"--log", nullptr, kLog, u"with --json, the log on standard error as well"},
        {u"--progress", nullptr, kProgress,
         u"plain progress lines on standard error (a terminal gets a\n"
         u"status line anyway, unless -q is given)"},
        {u"-j", nullptr, kJapanese, nullptr},
        {u"-e", nullptr, kEnglish, nullptr},
        {u"-j, -e", nullptr, kHelpOnly, u"log in Japanese, in English"},
        {u"--codepage", u"N", kCodePage,
         u"decode entry names with Windows code page N\n"
         u"(default: 932, as the game writes them on every system)"},
        {u"-T, --threads", u"N", kThreads,
         u"write files on N threads (1 to 64; default: one a core); the\n"
         u"log, events and status are the same whatever N is"},
        {u"--version", nullptr, kVersion, u"show the version of the tool, of zlib and of libdeflate"},
        {u"-h, --help", nullptr, kHelp, u"show this text"},
        {u"--", nullptr, kHelpOnly, u"end of options"},
    };
    return kTable;
}

bool SetMode(SCliOptions& options, EJobMode mode, std::u16string& error) {
    if (options.eMode != EJobMode::Extract && options.eMode != mode) {
        error = u"-l and -t cannot be combined";
        return false;
    }
    options.eMode = mode;
    return true;
}

bool SetExisting(SCliOptions& options, const std::u16string& value, std::u16string& error) {
    static const struct {
        const char16_t* pszWord;
        SCliOptions::EExisting eExisting;
    } kWords[] = {{u"ask", SCliOptions::EExisting::Ask},
                  {u"skip", SCliOptions::EExisting::Skip},
                  {u"rename", SCliOptions::EExisting::Rename},
                  {u"into", SCliOptions::EExisting::Into}};
    for (const auto& word : kWords) {
        if (value == word.pszWord) {
            options.eExisting = word.eExisting;
            return true;
        }
    }
    error = u"--existing takes ask, skip, rename or into, not: " + value;
    return false;
}

bool SetOption(SCliOptions& options, int id, const std::u16string& name, const std::u16string& value,
               std::u16string& error) {
    switch (id) {
    case kList: return SetMode(options, EJobMode::List, error);
    case kTest: return SetMode(options, EJobMode::Test, error);
    case kQuiet: options.nQuiet = options.nQuiet < 2 ? options.nQuiet + 1 : 2; return true;
    case kManifest: options.bManifest = true; return true;
    case kJson: options.bJson = true; return true;
    case kLog: options.bLog = true; return true;
    case kStdout: options.bStdout = true; return true;
    case kProgress: options.bProgress = true; return true;
    case kJapanese: options.eLanguage = SCliOptions::ELanguage::Japanese; return true;
    case kEnglish: options.eLanguage = SCliOptions::ELanguage::English; return true;
    case kVersion: options.bVersion = true; return true;
    case kHelp: options.bHelp = true; return true;
    case kExisting: return SetExisting(options, value, error);
    case kOutputFolder:
        options.strOutputFolder = value;
        if (value.empty())
            error = u"option -C needs a folder";
        return !value.empty();
    case kCodePage:
        if (!ParseDecimal(value, 1, 65535, options.nCodePage))
            error = u"not a code page number: " + value;
        return error.empty();
    case kThreads:
        if (!ParseDecimal(value, 1, 64, options.nThreads))
            error = u"--threads takes 1 to 64, not: " + value;
        return error.empty();
    case kInclude:
    case kExclude:
        if (value.empty()) {
            error = u"option " + name + u" needs a pattern";
            return false;
        }
        (id == kInclude ? options.includes : options.excludes).push_back(value);
        return true;
    }
    return true;
}

// Options that exclude each other, or need another.
bool CheckCombinations(SCliOptions& options, std::u16string& error) {
    if (options.bManifest && (options.eMode != EJobMode::Extract || options.bStdout))
        error = u"--manifest goes with extraction into folders, not with -l, -t or -p";
    else if (options.bStdout && options.eMode != EJobMode::Extract)
        error = u"-p cannot be combined with -l or -t";
    else if (options.bStdout && options.bJson)
        error = u"-p and --json both write to standard output";
    else if (options.bStdout && !options.strOutputFolder.empty())
        error = u"-p writes to standard output, not into -C's folder";
    else if (options.bLog && !options.bJson)
        error = u"--log goes with --json (without it the log is shown anyway)";
    if (!error.empty())
        return false;
    // -p walks as -l does; what it takes goes to standard output.
    if (options.bStdout)
        options.eMode = EJobMode::List;
    return true;
}

}  // namespace

bool ParseCliOptions(const std::vector<std::u16string>& args, SCliOptions& options, std::u16string& error) {
    const auto set = [&](int id, const std::u16string& name, const std::u16string& value, std::u16string& why) {
        return SetOption(options, id, name, value, why);
    };
    const auto take = [&](const std::u16string& file, std::u16string&) {
        options.files.push_back(file);
        return true;
    };
    if (!ParseOptions(args, OptionTable(), set, take, error))
        return false;
    if (!options.bHelp && !options.bVersion && options.files.empty()) {
        error = u"no file given";
        return false;
    }
    return CheckCombinations(options, error);
}

const char16_t* CliUsageLine() { return u"Usage: vanto-extract [-l|-t|-p] [options] FILE...\n"; }

std::u16string CliUsageText() {
    return std::u16string(CliUsageLine()) +
           u"Extracts Vanto custom files (*.god, *.item, *.npc, ...) into folders named\n"
           u"after them, below the current folder. Existing files are never overwritten.\n" +
           OptionsHelp(OptionTable()) +
           u"\n"
           u"Exit status:\n"
           u"  0    every file was extracted (listed, tested) and nothing was wrong\n"
           u"  1    a file could not be read or extracted, or the output could not be written\n"
           u"  2    usage error\n"
           u"  3    every file was read, but an entry had a problem: extraction could not\n"
           u"       write it as it should be (damaged, unsafe name, path too long, name taken,\n"
           u"       a file that could not be created or written) or wrote a gzip payload\n"
           u"       that does not inflate as it stands; -l and -t found a damaged entry, an\n"
           u"       unsafe name, a path too long or names that collide, and -t a gzip stream\n"
           u"       that fails or has data after its end, or data after a container's last\n"
           u"       entry; -p a damaged entry, an unsafe name or a gzip payload that does not\n"
           u"       inflate; or --include and --exclude took no entry of a file\n"
           u"  141  -l, -t or -p: standard output was closed by its reader (a listing piped\n"
           u"       into head): the run ended at once; on Linux by SIGPIPE, as a shell\n"
           u"       reports it";
}
