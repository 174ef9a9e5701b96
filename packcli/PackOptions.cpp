#include "packcli/PackOptions.h"

#include "cli/ArgReader.h"

namespace {

bool SetFlag(const std::u16string& name, SPackCliOptions& options) {
    bool* const flags[] = {&options.bVerify, &options.bForce, &options.bJson, &options.bQuiet,
                           &options.bHelp,   &options.bHelp,  &options.bVersion};
    const char16_t* const names[] = {u"--verify", u"--force", u"--json", u"-q", u"-h", u"--help", u"--version"};
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        if (name == names[i]) {
            *flags[i] = true;
            return true;
        }
    }
    return false;
}

bool TakesValue(const std::u16string& name) {
    return name == u"-o" || name == u"--base" || name == u"--level" || name == u"--gzip" || name == u"--codepage";
}

bool SetValue(const std::u16string& name, const std::u16string& value, SPackCliOptions& options,
              std::u16string& error) {
    if (value.empty()) {
        error = u"option " + name + u" needs a value";
        return false;
    }
    unsigned number = 0;
    if (name == u"-o") {
        options.strOutput = value;
    } else if (name == u"--base") {
        options.strBase = value;
    } else if (name == u"--gzip") {
        options.gzipGlobs.push_back(value);
    } else if (name == u"--level") {
        if (!ParseDecimal(value, 0, 9, number)) {
            error = u"--level takes 0 to 9, not: " + value;
            return false;
        }
        options.nLevel = int(number);
    } else if (!ParseDecimal(value, 1, 65535, options.nCodePage)) {
        error = u"not a code page number: " + value;
        return false;
    }
    return true;
}

}  // namespace

bool ParsePackOptions(const std::vector<std::u16string>& args, SPackCliOptions& options, std::u16string& error) {
    std::vector<std::u16string> folders;
    const auto addFolder = [&](const std::u16string& folder) {
        folders.push_back(folder);
        return true;
    };
    const auto setValue = [&](const std::u16string& name, const std::u16string& value) {
        return SetValue(name, value, options, error);
    };
    const auto setSwitch = [&](const std::u16string& arg) {
        const bool known = arg.find(u'=') == std::u16string::npos && SetFlag(arg, options);
        if (!known)
            error = u"unknown option: " + arg;
        return known;
    };
    if (!ReadArgs(args, TakesValue, addFolder, setValue, setSwitch, error))
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

const char16_t* PackUsageText() {
    return u"Usage: vanto-pack [options] FOLDER\n"
           u"Builds a Vanto custom file from FOLDER, the inverse of vanto-extract.\n"
           u"\n"
           u"With FOLDER.vanto.json beside FOLDER (vanto-extract --manifest), the original\n"
           u"file is rebuilt: unchanged entries are copied byte for byte, changed files get\n"
           u"new content, missing ones are dropped, and new files and folders are added at\n"
           u"the end of their container. Without it, the folder tree becomes a new file:\n"
           u"entries in name order, each folder a child container named NAME.pak.\n"
           u"Nothing is written when the folder holds something the format cannot hold\n"
           u"or that extraction would read back differently.\n"
           u"\n"
           u"Options:\n"
           u"  -o OUT            write OUT (default: FOLDER plus the original's extension,\n"
           u"                    or .god without a manifest, beside FOLDER)\n"
           u"  --base ORIGINAL   the original file (default: the manifest's source.path,\n"
           u"                    else source.name beside the manifest); its size and\n"
           u"                    CRC-32 must match the manifest's\n"
           u"  --level N         gzip compression level 0 to 9 (default 9)\n"
           u"  --gzip GLOB       gzip new files whose path matches GLOB (repeatable; the\n"
           u"                    rules of vanto-extract --include); changed files keep\n"
           u"                    their entry's kind\n"
           u"  --verify          read the result back in memory and compare it with FOLDER\n"
           u"                    before writing it\n"
           u"  --force           replace OUT when it exists\n"
           u"  --json            JSON Lines events on standard output; the report goes to\n"
           u"                    standard error (nowhere with -q)\n"
           u"  -q                show only problems and the summary line\n"
           u"  --codepage N      encode new entry names with Windows code page N (default:\n"
           u"                    the manifest's, else 932)\n"
           u"  --version         show the version of the tool, of zlib and of libdeflate\n"
           u"  -h, --help        show this text\n"
           u"  --                end of options\n"
           u"\n"
           u"Exit status:\n"
           u"  0  the file was written (and verified, with --verify)\n"
           u"  1  it could not be built, written or verified: nothing was written\n"
           u"  2  usage error\n"
           u"  3  refused: FOLDER holds something the format cannot hold, or that would\n"
           u"     read back differently; nothing was written";
}
