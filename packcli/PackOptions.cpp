#include "packcli/PackOptions.h"

#include "cmdline/OptionTable.h"

namespace {

enum EOption {
    kOutput, kBase, kLevel, kGzip, kExclude, kNoDefaultExcludes, kDryRun, kVerify, kForce, kPatch, kApply, kJson,
    kQuiet, kJapanese, kEnglish, kCodePage, kVersion, kHelp
};

// Every option, once: what the parser matches and what --help shows.
const std::vector<SOptionRow>& OptionTable() {
    static const std::vector<SOptionRow> kTable = {
        {u"-o", u"OUT", kOutput,
         u"write OUT (default: FOLDER.mod plus the original's\n"
         u"extension beside FOLDER, or FOLDER.god without a\n"
         u"manifest; with --apply, NAME.mod.EXT of the original\n"
         u"NAME.EXT in the current folder)",
         u"Options:"},
        {u"--base", u"ORIGINAL", kBase,
         u"the original file (default: the manifest's source.path,\n"
         u"else source.name beside the manifest; with --apply, the\n"
         u"name the patch records, here or beside the patch); a link\n"
         u"is followed; it must be the file the manifest or patch\n"
         u"describes"},
        {u"--level", u"N", kLevel, u"gzip compression level 0 to 9 (default 9)"},
        {u"--gzip", u"GLOB", kGzip,
         u"gzip new files whose path matches GLOB (repeatable; the\n"
         u"rules of vanto-extract --include); changed files keep\n"
         u"their entry's kind"},
        {u"--exclude", u"GLOB", kExclude,
         u"leave out new files and folders whose path matches GLOB\n"
         u"(repeatable; the rules of vanto-extract --exclude); the\n"
         u"original's entries are never left out"},
        {u"--no-default-excludes", nullptr, kNoDefaultExcludes,
         u"pack new hidden files (.*), *~, *.swp, Thumbs.db,\n"
         u"desktop.ini, .DS_Store and *.vanto.json too"},
        {u"-n, --dry-run", nullptr, kDryRun,
         u"show every change, addition, deletion, skip and refusal,\n"
         u"and the exit status a real run gives; write nothing"},
        {u"--verify", nullptr, kVerify,
         u"read the result back in memory and compare it with FOLDER\n"
         u"before writing it"},
        {u"--force", nullptr, kForce,
         u"replace OUT when it exists (never the original, the\n"
         u"manifest or a patch read: status 3)"},
        {u"--patch", u"OUT.vpatch", kPatch,
         u"write a patch instead of the file: only the entries that\n"
         u"change, and checksums of the original and the result\n"
         u"(needs the manifest and the original)"},
        {u"--apply", u"PATCH", kApply,
         u"rebuild the modded file from the original and PATCH, and\n"
         u"verify it; repeatable: the patches apply in order"},
        {u"--json", nullptr, kJson,
         u"JSON Lines events on standard output; the report goes to\n"
         u"standard error (nowhere with -q)"},
        {u"-q", nullptr, kQuiet, u"show only problems and the summary line"},
        {u"-j", nullptr, kJapanese, nullptr},
        {u"-e", nullptr, kEnglish, nullptr},
        {u"-j, -e", nullptr, kHelpOnly,
         u"report in Japanese, in English (default: from LC_ALL,\n"
         u"LC_MESSAGES, LANG; on Windows from the system locale)"},
        {u"--codepage", u"N", kCodePage,
         u"encode new entry names with Windows code page N (default:\n"
         u"the manifest's, else 932)"},
        {u"--version", nullptr, kVersion, u"show the version of the tool, of zlib and of libdeflate"},
        {u"-h, --help", nullptr, kHelp, u"show this text"},
        {u"--", nullptr, kHelpOnly, u"end of options"},
    };
    return kTable;
}

bool SetSwitch(SPackCliOptions& options, int id) {
    switch (id) {
    case kNoDefaultExcludes: options.bDefaultExcludes = false; return true;
    case kDryRun: options.bDryRun = true; return true;
    case kVerify: options.bVerify = true; return true;
    case kForce: options.bForce = true; return true;
    case kJson: options.bJson = true; return true;
    case kQuiet: options.bQuiet = true; return true;
    case kJapanese: options.eLanguage = SPackCliOptions::ELanguage::Japanese; return true;
    case kEnglish: options.eLanguage = SPackCliOptions::ELanguage::English; return true;
    case kVersion: options.bVersion = true; return true;
    case kHelp: options.bHelp = true; return true;
    }
    return false;
}

bool SetOption(SPackCliOptions& options, int id, const std::u16string& name, const std::u16string& value,
               std::u16string& error) {
    if (SetSwitch(options, id))
        return true;
    unsigned number = 0;
    if (value.empty()) {
        error = u"option " + name + u" needs a value";
        return false;
    }
    switch (id) {
    case kOutput: options.strOutput = value; break;
    case kBase: options.strBase = value; break;
    case kGzip: options.gzipGlobs.push_back(value); break;
    case kExclude: options.excludeGlobs.push_back(value); break;
    case kPatch: options.strPatch = value; break;
    case kApply: options.applyPatches.push_back(value); break;
    case kLevel:
        if (!ParseDecimal(value, 0, 9, number))
            error = u"--level takes 0 to 9, not: " + value;
        options.nLevel = int(number);
        break;
    case kCodePage:
        if (!ParseDecimal(value, 1, 65535, options.nCodePage))
            error = u"not a code page number: " + value;
        break;
    }
    return error.empty();
}

// Options that have no meaning with --apply or --patch.
bool CheckModeOptions(const SPackCliOptions& options, const std::vector<std::u16string>& folders,
                      std::u16string& error) {
    if (!options.applyPatches.empty()) {
        if (!folders.empty())
            error = u"--apply takes no folder: " + folders[0];
        else if (!options.strPatch.empty())
            error = u"--patch and --apply go separately";
        else if (!options.gzipGlobs.empty() || !options.excludeGlobs.empty() || !options.bDefaultExcludes ||
                 options.bVerify || options.nCodePage)
            error = u"--apply takes only -o, --base, --force, --dry-run, --json, -q, -j and -e";
        return error.empty();
    }
    if (!options.strPatch.empty() && !options.strOutput.empty())
        error = u"--patch writes the patch, not the file: leave out -o";
    else if (folders.size() != 1)
        error = folders.empty() ? u"no folder given" : u"one folder at a time: " + folders[1];
    return error.empty();
}

}  // namespace

bool ParsePackOptions(const std::vector<std::u16string>& args, SPackCliOptions& options, std::u16string& error) {
    std::vector<std::u16string> folders;
    const auto set = [&](int id, const std::u16string& name, const std::u16string& value, std::u16string& why) {
        return SetOption(options, id, name, value, why);
    };
    const auto take = [&](const std::u16string& folder, std::u16string&) {
        folders.push_back(folder);
        return true;
    };
    if (!ParseOptions(args, OptionTable(), set, take, error))
        return false;
    if (options.bHelp || options.bVersion)
        return true;
    if (!CheckModeOptions(options, folders, error))
        return false;
    if (!folders.empty())
        options.strFolder = folders[0];
    return true;
}

const char16_t* PackUsageLine() {
    return u"Usage: vanto-pack [options] FOLDER\n"
           u"       vanto-pack --apply PATCH... [--base ORIGINAL] [-o OUT]\n";
}

std::u16string PackUsageText() {
    return std::u16string(PackUsageLine()) +
           u"Builds a Vanto custom file from FOLDER, the inverse of vanto-extract.\n"
           u"\n"
           u"With FOLDER.vanto.json beside FOLDER (vanto-extract --manifest), the original\n"
           u"file is rebuilt: unchanged entries are copied byte for byte, changed files get\n"
           u"new content, missing ones are dropped, and new files and folders are added at\n"
           u"the end of their container, named as the entries beside them (mymod.txt among\n"
           u"*.t entries becomes mymod.t). The result goes to a new file, FOLDER.mod.EXT:\n"
           u"the original is never replaced. Without the manifest, the folder tree becomes a\n"
           u"new file: entries in name order, each folder a child container NAME.pak.\n"
           u"New hidden files and editors' leftovers are skipped, each named. Nothing is\n"
           u"written when the folder holds something the format cannot hold or that\n"
           u"extraction would read back differently.\n"
           u"\n"
           u"--patch OUT.vpatch writes only what changed, to share a mod; --apply rebuilds\n"
           u"the modded file from the original and the patch, byte for byte.\n" +
           OptionsHelp(OptionTable()) +
           u"\n"
           u"Exit status:\n"
           u"  0  the file (or patch) was written (and verified, with --verify); with\n"
           u"     --dry-run, it would be\n"
           u"  1  it could not be built, written or verified, or a patch does not apply:\n"
           u"     nothing was written; or the report could not be written on standard\n"
           u"     output (the file is written)\n"
           u"  2  usage error\n"
           u"  3  refused: FOLDER holds something the format cannot hold, or that would\n"
           u"     read back differently, or OUT is the original, the manifest or a patch;\n"
           u"     nothing was written";
}
