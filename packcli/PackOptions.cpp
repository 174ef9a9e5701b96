#include "packcli/PackOptions.h"

#include "cmdline/OptionTable.h"

namespace {

enum EOption { kOutput, kBase, kLevel, kGzip, kVerify, kForce, kJson, kQuiet, kCodePage, kVersion, kHelp };

// Every option, once: what the parser matches and what --help shows.
const std::vector<SOptionRow>& OptionTable() {
    static const std::vector<SOptionRow> kTable = {
        {u"-o", u"OUT", kOutput,
         u"write OUT (default: FOLDER plus the original's extension,\n"
         u"or .god without a manifest, beside FOLDER)",
         u"Options:"},
        {u"--base", u"ORIGINAL", kBase,
         u"the original file (default: the manifest's source.path,\n"
         u"else source.name beside the manifest); its size and\n"
         u"CRC-32 must match the manifest's"},
        {u"--level", u"N", kLevel, u"gzip compression level 0 to 9 (default 9)"},
        {u"--gzip", u"GLOB", kGzip,
         u"gzip new files whose path matches GLOB (repeatable; the\n"
         u"rules of vanto-extract --include); changed files keep\n"
         u"their entry's kind"},
        {u"--verify", nullptr, kVerify,
         u"read the result back in memory and compare it with FOLDER\n"
         u"before writing it"},
        {u"--force", nullptr, kForce, u"replace OUT when it exists"},
        {u"--json", nullptr, kJson,
         u"JSON Lines events on standard output; the report goes to\n"
         u"standard error (nowhere with -q)"},
        {u"-q", nullptr, kQuiet, u"show only problems and the summary line"},
        {u"--codepage", u"N", kCodePage,
         u"encode new entry names with Windows code page N (default:\n"
         u"the manifest's, else 932)"},
        {u"--version", nullptr, kVersion, u"show the version of the tool, of zlib and of libdeflate"},
        {u"-h, --help", nullptr, kHelp, u"show this text"},
        {u"--", nullptr, kHelpOnly, u"end of options"},
    };
    return kTable;
}

bool SetOption(SPackCliOptions& options, int id, const std::u16string& name, const std::u16string& value,
               std::u16string& error) {
    unsigned number = 0;
    switch (id) {
    case kVerify: options.bVerify = true; return true;
    case kForce: options.bForce = true; return true;
    case kJson: options.bJson = true; return true;
    case kQuiet: options.bQuiet = true; return true;
    case kVersion: options.bVersion = true; return true;
    case kHelp: options.bHelp = true; return true;
    }
    if (value.empty()) {
        error = u"option " + name + u" needs a value";
        return false;
    }
    switch (id) {
    case kOutput: options.strOutput = value; break;
    case kBase: options.strBase = value; break;
    case kGzip: options.gzipGlobs.push_back(value); break;
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
    if (folders.size() != 1) {
        error = folders.empty() ? u"no folder given" : u"one folder at a time: " + folders[1];
        return false;
    }
    options.strFolder = folders[0];
    return true;
}

const char16_t* PackUsageLine() { return u"Usage: vanto-pack [options] FOLDER\n"; }

std::u16string PackUsageText() {
    return std::u16string(PackUsageLine()) +
           u"Builds a Vanto custom file from FOLDER, the inverse of vanto-extract.\n"
           u"\n"
           u"With FOLDER.vanto.json beside FOLDER (vanto-extract --manifest), the original\n"
           u"file is rebuilt: unchanged entries are copied byte for byte, changed files get\n"
           u"new content, missing ones are dropped, and new files and folders are added at\n"
           u"the end of their container. Without it, the folder tree becomes a new file:\n"
           u"entries in name order, each folder a child container named NAME.pak.\n"
           u"Nothing is written when the folder holds something the format cannot hold\n"
           u"or that extraction would read back differently.\n" +
           OptionsHelp(OptionTable()) +
           u"\n"
           u"Exit status:\n"
           u"  0  the file was written (and verified, with --verify)\n"
           u"  1  it could not be built, written or verified: nothing was written; or the\n"
           u"     report could not be written on standard output (the file is written)\n"
           u"  2  usage error\n"
           u"  3  refused: FOLDER holds something the format cannot hold, or that would\n"
           u"     read back differently; nothing was written";
}
