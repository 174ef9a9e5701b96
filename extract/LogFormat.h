// A bounded formatter for log lines and paths.
//
// Formats take exactly two conversions: %s (a UTF-16 string) and %d (a signed
// 32-bit integer). The C libraries disagree on what %s means in a wide format,
// and a length read from an input must never be able to overrun a buffer, so
// this formatter is our own: it never writes more than `capacity` characters,
// terminator included, and checks each conversion against its argument.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/Text.h"

// One argument of a format. Only strings and 32-bit integers convert
// implicitly; everything else is refused at compile time.
class CLogArg {
public:
    enum class EKind { None, String, Int };

    CLogArg() = default;
    CLogArg(const char16_t* psz) : m_eKind(EKind::String), m_psz(psz) {}
    CLogArg(int32_t n) : m_eKind(EKind::Int), m_n(n) {}
    CLogArg(uint32_t) = delete;
    CLogArg(int64_t) = delete;
    CLogArg(uint64_t) = delete;
    CLogArg(bool) = delete;
    CLogArg(const char*) = delete;
    CLogArg(const wchar_t*) = delete;

    EKind Kind() const { return m_eKind; }
    const char16_t* String() const { return m_psz; }
    int32_t Int() const { return m_n; }

private:
    EKind m_eKind = EKind::None;
    const char16_t* m_psz = nullptr;
    int32_t m_n = 0;
};

enum class EFormatResult {
    Ok,         // the whole text fitted
    Truncated,  // cut at capacity - 1 characters (never inside a surrogate pair)
    BadFormat,  // unknown conversion, or arguments that do not match the format
};

// Formats into out[0 .. capacity-1], always terminated when capacity > 0.
// On BadFormat, out holds the text up to the faulty conversion.
EFormatResult FormatText(char16_t* out, size_t capacity, const char16_t* format,
                         const CLogArg* args, size_t argCount);

template <class... Args>
EFormatResult FormatTextV(char16_t* out, size_t capacity, const char16_t* format, const Args&... args) {
    const CLogArg list[] = {CLogArg(args)..., CLogArg()};
    return FormatText(out, capacity, format, list, sizeof...(Args));
}
