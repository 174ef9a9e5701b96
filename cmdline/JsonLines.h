// The JSON Lines envelope of the tools' --json output: one object a line on
// standard output, each with the schema version "v" and its "event" name
// (docs/json-events.md). Within version 1 fields may be added; a renamed or
// removed field, or a changed meaning, makes version 2. Each tool's last
// event tells its status: "run-finished" for vanto-extract, "finished" for
// vanto-pack; readers of version 1 take either name.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

constexpr int kJsonEventsVersion = 1;

using Json = nlohmann::ordered_json;

// {"v": 1, "event": name}, for the fields to follow.
Json NewEvent(const char* name);

// UTF-8 for a JSON string; text that cannot be decoded (an escaped byte of a
// file name) becomes U+FFFD.
std::string JsonText(const char16_t* text);
inline std::string JsonText(const std::u16string& text) { return JsonText(text.c_str()); }

// Standard output as the tools write it: JSON lines and text lines, and the
// first failure (a closed pipe, a full device) kept with its reason.
class CToolOutput {
public:
    // Each returns false once standard output has failed.
    bool WriteEvent(const Json& event);
    bool WriteLine(const char16_t* line);
    bool Flush();
    bool Failed() const { return !m_strFailure.empty(); }
    // The system's reason for the first failure.
    const std::u16string& Failure() const { return m_strFailure; }

private:
    bool Checked(bool written);
    std::u16string m_strFailure;
};
