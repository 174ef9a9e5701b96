#include "cli/ArgReader.h"

#include <zlib.h>

#include "Version.h"
#include "extract/Inflate.h"
#include "platform/Utf.h"

bool ReadArgs(const std::vector<std::u16string>& args, bool (*takesValue)(const std::u16string& name),
              const std::function<bool(const std::u16string& operand)>& onOperand,
              const std::function<bool(const std::u16string& name, const std::u16string& value)>& onValue,
              const std::function<bool(const std::u16string& option)>& onSwitch, std::u16string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != u'-' || arg == u"-") {
            if (!onOperand(arg))
                return false;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" or "--name value" for the options that take one.
        const size_t equals = arg.compare(0, 2, u"--") == 0 ? arg.find(u'=') : std::u16string::npos;
        const std::u16string name = arg.substr(0, equals);
        if (!takesValue(name)) {
            if (!onSwitch(arg))
                return false;
            continue;
        }
        if (equals == std::u16string::npos && i + 1 >= args.size()) {
            error = u"option " + name + u" needs a value";
            return false;
        }
        if (!onValue(name, equals == std::u16string::npos ? args[++i] : arg.substr(equals + 1)))
            return false;
    }
    return true;
}

bool ParseDecimal(const std::u16string& text, unsigned min, unsigned max, unsigned& value) {
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

std::u16string VersionText(const char* program) {
    std::string text = std::string(program) + " " VANTO_VERSION_STRING "\nzlib " + zlibVersion();
    if (const char* fast = FastInflaterName())
        text += std::string("\n") + fast;
    return Utf8ToUtf16String(text.c_str());
}
