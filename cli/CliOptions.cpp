#include "cli/CliOptions.h"

namespace {

bool ParseCodePage(const std::u16string& text, unsigned& value) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned n = 0;
    for (char16_t ch : text) {
        if (ch < u'0' || ch > u'9')
            return false;
        n = n * 10 + unsigned(ch - u'0');
    }
    if (n == 0 || n > 65535)
        return false;
    value = n;
    return true;
}

}  // namespace

bool ParseCliOptions(const std::vector<std::u16string>& args, SCliOptions& options, std::u16string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != u'-' || arg == u"-") {
            options.files.push_back(arg);
        } else if (arg == u"--") {
            optionsEnded = true;
        } else if (arg == u"-j") {
            options.eLanguage = SCliOptions::ELanguage::Japanese;
        } else if (arg == u"-e") {
            options.eLanguage = SCliOptions::ELanguage::English;
        } else if (arg == u"-h" || arg == u"--help") {
            options.bHelp = true;
        } else if (arg == u"--version") {
            options.bVersion = true;
        } else if (arg == u"-C" || arg == u"--codepage") {
            if (i + 1 >= args.size()) {
                error = u"option " + arg + u" needs a value";
                return false;
            }
            const std::u16string& value = args[++i];
            if (arg == u"-C") {
                if (value.empty()) {
                    error = u"option -C needs a folder";
                    return false;
                }
                options.strOutputFolder = value;
            } else if (!ParseCodePage(value, options.nCodePage)) {
                error = u"not a code page number: " + value;
                return false;
            }
        } else {
            error = u"unknown option: " + arg;
            return false;
        }
    }
    if (!options.bHelp && !options.bVersion && options.files.empty()) {
        error = u"no file given";
        return false;
    }
    return true;
}

const char16_t* CliUsageText() {
    return u"Usage: vanto-extract [options] FILE...\n"
           u"Extracts Vanto custom files (*.god, *.item, *.npc, ...) into folders named\n"
           u"after them, below the current folder. Existing files are never overwritten.\n"
           u"\n"
           u"Options:\n"
           u"  -j               log in Japanese\n"
           u"  -e               log in English\n"
           u"  -C DIR           extract into DIR instead of the current folder\n"
           u"  --codepage N     decode entry names with Windows code page N\n"
           u"                   (default: 932, as the game writes them on every system)\n"
           u"  --version        show the version of the tool and of zlib\n"
           u"  -h, --help       show this text\n"
           u"\n"
           u"Exit status:\n"
           u"  0  every file was extracted, every entry written\n"
           u"  1  a file was not extracted, or the log could not be written\n"
           u"  2  usage error\n"
           u"  3  every file was extracted, but an entry was not written as it should be\n"
           u"     (damaged, refused as unsafe, or its file could not be created or written)\n";
}
