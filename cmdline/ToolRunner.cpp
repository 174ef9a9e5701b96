#include "cmdline/ToolRunner.h"

#include <zlib.h>

#include <exception>
#include <new>

#include "Version.h"
#include "base/Utf.h"
#include "console/Console.h"
#include "extract/Inflate.h"

int RunGuarded(const char16_t* tool, ToolMain run, const std::vector<std::u16string>& args) {
    try {
        return int(run(args));
    } catch (const std::bad_alloc&) {
        ConsoleWriteError((std::u16string(tool) + u": out of memory\n").c_str());
    } catch (const std::exception& failure) {
        ConsoleWriteError((std::u16string(tool) + u": " + Utf8ToUtf16String(failure.what()) + u"\n").c_str());
    }
    return int(EExitStatus::Failed);
}

EExitStatus UsageError(const char16_t* tool, const std::u16string& message, const char16_t* usageLine) {
    ConsoleWriteError((std::u16string(tool) + u": " + message + u"\n").c_str());
    ConsoleWriteError(usageLine);
    ConsoleWriteError((u"Try '" + std::u16string(tool) + u" --help'.\n").c_str());
    return EExitStatus::Usage;
}

std::u16string VersionText(const char* program) {
    std::string text = std::string(program) + " " VANTO_VERSION_STRING "\nzlib " + zlibVersion();
    if (const char* fast = FastInflaterName())
        text += std::string("\n") + fast;
    return Utf8ToUtf16String(text.c_str());
}
