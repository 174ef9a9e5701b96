#include "cmdline/JsonLines.h"

#include "base/Utf.h"
#include "console/Console.h"

Json NewEvent(const char* name) {
    Json event;
    event["v"] = kJsonEventsVersion;
    event["event"] = name;
    return event;
}

std::string JsonText(const char16_t* text) { return Utf16ToUtf8String(text); }

bool CToolOutput::Checked(bool written) {
    if (!written && m_strFailure.empty())
        m_strFailure = ConsoleErrorText();
    return written && !Failed();
}

bool CToolOutput::WriteEvent(const Json& event) {
    // Every string was made valid UTF-8: nothing is left to replace.
    return Checked(ConsoleWriteUtf8Line(event.dump(-1, ' ', false, Json::error_handler_t::replace)));
}

bool CToolOutput::WriteLine(const char16_t* line) { return Checked(ConsoleWriteLine(line)); }

bool CToolOutput::Flush() { return Checked(ConsoleFlush()); }
