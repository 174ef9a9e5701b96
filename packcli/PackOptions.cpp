#include "packcli/PackOptions.h"

namespace {

// A decimal number from min to max.
bool ParseNumber(const std::u16string& text, unsigned min, unsigned max, unsigned& value) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned n = 0;
    for (char16_t ch : text) {
        if (ch < u'0' || ch > u'9')
            return false;
        n = n * 10 + unsigned(ch - u'0');
    }
    if (n < min || n > max)
        return false;
    value = n;
    return true;
}

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
        if (!ParseNumber(value, 0, 9, number)) {
            error = u"--level takes 0 to 9, not: " + value;
            return false;
        }
        options.nLevel = int(number);
    } else if (!ParseNumber(value, 1, 65535, options.nCodePage)) {
        error = u"not a code page number: " + value;
        return false;
    }
    return true;
}

}  // namespace

bool ParsePackOptions(const std::vector<std::u16string>& args, SPackCliOptions& options, std::u16string& error) {
    std::vector<std::u16string> folders;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != u'-' || arg == u"-") {
            folders.push_back(arg);
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.compare(0, 2, u"--") == 0 ? arg.find(u'=') : std::u16string::npos;
        const std::u16string name = arg.substr(0, equals);
        if (TakesValue(name)) {
            if (equals == std::u16string::npos && i + 1 >= args.size()) {
                error = u"option " + name + u" needs a value";
                return false;
            }
            if (!SetValue(name, equals == std::u16string::npos ? args[++i] : arg.substr(equals + 1), options, error))
                return false;
        } else if (equals != std::u16string::npos || !SetFlag(arg, options)) {
            error = u"unknown option: " + arg;
            return false;
        }
    }
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
           u"  --version         show the version of the tool and of zlib\n"
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
