#include "cli/CliOptions.h"

#include "cli/ArgReader.h"

namespace {

bool SetMode(SCliOptions& options, EJobMode mode, std::u16string& error) {
    if (options.eMode != EJobMode::Extract && options.eMode != mode) {
        error = u"-l and -t cannot be combined";
        return false;
    }
    options.eMode = mode;
    return true;
}

// A switch without a value, short or long. False when it is not one.
bool ParseFlag(const std::u16string& name, SCliOptions& options, std::u16string& error, bool& known) {
    known = true;
    if (name == u"j")
        options.eLanguage = SCliOptions::ELanguage::Japanese;
    else if (name == u"e")
        options.eLanguage = SCliOptions::ELanguage::English;
    else if (name == u"h" || name == u"-help")
        options.bHelp = true;
    else if (name == u"-version")
        options.bVersion = true;
    else if (name == u"l" || name == u"-list")
        return SetMode(options, EJobMode::List, error);
    else if (name == u"t" || name == u"-test")
        return SetMode(options, EJobMode::Test, error);
    else if (name == u"q")
        options.nQuiet = options.nQuiet < 2 ? options.nQuiet + 1 : 2;
    else if (name == u"-json")
        options.bJson = true;
    else if (name == u"-progress")
        options.bProgress = true;
    else if (name == u"-manifest")
        options.bManifest = true;
    else
        known = false;
    return true;
}

// An option that takes a value. False with an error when the value is wrong.
bool ParseValue(const std::u16string& name, const std::u16string& value, SCliOptions& options,
                std::u16string& error) {
    if (name == u"-C") {
        if (value.empty()) {
            error = u"option -C needs a folder";
            return false;
        }
        options.strOutputFolder = value;
    } else if (name == u"--codepage") {
        if (!ParseDecimal(value, 1, 65535, options.nCodePage)) {
            error = u"not a code page number: " + value;
            return false;
        }
    } else if (name == u"--include" || name == u"--exclude") {
        if (value.empty()) {
            error = u"option " + name + u" needs a pattern";
            return false;
        }
        (name == u"--include" ? options.includes : options.excludes).push_back(value);
    } else if (name == u"--existing") {
        if (value == u"ask")
            options.eExisting = SCliOptions::EExisting::Ask;
        else if (value == u"skip")
            options.eExisting = SCliOptions::EExisting::Skip;
        else if (value == u"rename")
            options.eExisting = SCliOptions::EExisting::Rename;
        else {
            error = u"--existing takes ask, skip or rename, not: " + value;
            return false;
        }
    }
    return true;
}

bool TakesValue(const std::u16string& name) {
    return name == u"-C" || name == u"--codepage" || name == u"--include" || name == u"--exclude" ||
           name == u"--existing";
}

}  // namespace

bool ParseCliOptions(const std::vector<std::u16string>& args, SCliOptions& options, std::u16string& error) {
    const auto addFile = [&](const std::u16string& file) {
        options.files.push_back(file);
        return true;
    };
    const auto setValue = [&](const std::u16string& name, const std::u16string& value) {
        return ParseValue(name, value, options, error);
    };
    const auto setSwitch = [&](const std::u16string& arg) {
        bool known = false;
        if (arg.compare(0, 2, u"--") == 0) {
            if (!ParseFlag(arg.substr(1), options, error, known))
                return false;
        } else {
            // "-lq": every letter a switch of its own.
            for (size_t k = 1; k < arg.size() && (k == 1 || known); ++k) {
                if (!ParseFlag(arg.substr(k, 1), options, error, known))
                    return false;
            }
        }
        if (!known)
            error = u"unknown option: " + arg;
        return known;
    };
    if (!ReadArgs(args, TakesValue, addFile, setValue, setSwitch, error))
        return false;
    if (!options.bHelp && !options.bVersion && options.files.empty()) {
        error = u"no file given";
        return false;
    }
    if (options.bManifest && options.eMode != EJobMode::Extract) {
        error = u"--manifest goes with extraction, not with -l or -t";
        return false;
    }
    return true;
}

const char16_t* CliUsageLine() { return u"Usage: vanto-extract [-l|-t] [options] FILE...\n"; }

const char16_t* CliUsageText() {
    return u"Usage: vanto-extract [-l|-t] [options] FILE...\n"
           u"Extracts Vanto custom files (*.god, *.item, *.npc, ...) into folders named\n"
           u"after them, below the current folder. Existing files are never overwritten.\n"
           u"\n"
           u"Modes (extraction when none is given):\n"
           u"  -l, --list        list every entry as it would be written; write nothing\n"
           u"  -t, --test        read every entry and check every gzip stream; write nothing\n"
           u"\n"
           u"Options:\n"
           u"  -C DIR            extract into DIR instead of the current folder\n"
           u"  --include GLOB    take only entries whose path inside the file matches GLOB\n"
           u"  --exclude GLOB    leave out entries whose path matches GLOB (both repeatable;\n"
           u"                    * ? [abc] within a folder, ** across folders, any letter case;\n"
           u"                    without a '/' GLOB matches a name at any level; a folder's\n"
           u"                    pattern takes or leaves all below it)\n"
           u"  --existing WHAT   when the output folder exists: ask, skip or rename to\n"
           u"                    \"NAME (2)\", ... (default: ask on a terminal, else skip)\n"
           u"  -q                show only problems and one summary line per file\n"
           u"  -qq               show only problems\n"
           u"  --manifest        write NAME.vanto.json beside each folder NAME: what\n"
           u"                    vanto-pack needs to build the file again\n"
           u"  --json            JSON Lines events on standard output; the log goes to\n"
           u"                    standard error (nowhere with -q)\n"
           u"  --progress        plain progress lines on standard error (a terminal gets a\n"
           u"                    status line anyway, unless -q is given)\n"
           u"  -j, -e            log in Japanese, in English\n"
           u"  --codepage N      decode entry names with Windows code page N\n"
           u"                    (default: 932, as the game writes them on every system)\n"
           u"  --version         show the version of the tool, of zlib and of libdeflate\n"
           u"  -h, --help        show this text\n"
           u"  --                end of options\n"
           u"\n"
           u"Exit status:\n"
           u"  0  every file was extracted (listed, tested) and nothing was wrong\n"
           u"  1  a file could not be read or extracted, or the output could not be written\n"
           u"  2  usage error\n"
           u"  3  every file was read, but an entry had a problem: extraction could not\n"
           u"     write it as it should be (damaged, unsafe name, path too long, name taken,\n"
           u"     a file that could not be created or written); -l and -t found a damaged\n"
           u"     entry, an unsafe name, a path too long or names that collide, and -t a\n"
           u"     gzip stream that fails or has data after its end, or data after a\n"
           u"     container's last entry";
}
