#include "extract/LogFormat.h"

namespace {

// Appends characters while room is left; remembers when something did not fit.
class CBoundedWriter {
public:
    CBoundedWriter(char16_t* out, size_t capacity) : m_pOut(out), m_nLimit(capacity ? capacity - 1 : 0) {}

    void Put(char16_t ch) {
        if (m_nPos < m_nLimit)
            m_pOut[m_nPos++] = ch;
        else
            m_bFull = true;
    }

    void PutString(const char16_t* psz) {
        for (; *psz && !m_bFull; ++psz)
            Put(*psz);
    }

    void PutInt(int32_t n) {
        char16_t digits[11];
        size_t count = 0;
        // Work on the negative value so that INT32_MIN needs no special case.
        int32_t rest = n < 0 ? n : -n;
        do {
            digits[count++] = static_cast<char16_t>(u'0' - rest % 10);
            rest /= 10;
        } while (rest != 0);
        if (n < 0)
            Put(u'-');
        while (count > 0)
            Put(digits[--count]);
    }

    bool Full() const { return m_bFull; }

    void Terminate(size_t capacity) {
        if (capacity == 0)
            return;
        // A cut must not leave half a surrogate pair behind.
        if (m_bFull && m_nPos > 0 && m_pOut[m_nPos - 1] >= 0xD800 && m_pOut[m_nPos - 1] <= 0xDBFF)
            --m_nPos;
        m_pOut[m_nPos] = 0;
    }

private:
    char16_t* m_pOut;
    size_t m_nLimit;
    size_t m_nPos = 0;
    bool m_bFull = false;
};

}  // namespace

EFormatResult FormatText(char16_t* out, size_t capacity, const char16_t* format,
                         const CLogArg* args, size_t argCount) {
    CBoundedWriter writer(out, capacity);
    size_t nextArg = 0;
    EFormatResult result = EFormatResult::Ok;

    for (const char16_t* p = format; *p; ++p) {
        if (*p != u'%') {
            writer.Put(*p);
            continue;
        }
        const char16_t conversion = p[1];
        const bool known = conversion == u's' || conversion == u'd';
        if (!known || nextArg >= argCount) {
            result = EFormatResult::BadFormat;
            break;
        }
        const CLogArg& arg = args[nextArg++];
        if (conversion == u's' && arg.Kind() == CLogArg::EKind::String) {
            writer.PutString(arg.String() ? arg.String() : u"(null)");
        } else if (conversion == u'd' && arg.Kind() == CLogArg::EKind::Int) {
            writer.PutInt(arg.Int());
        } else {
            result = EFormatResult::BadFormat;
            break;
        }
        ++p;
    }
    if (result == EFormatResult::Ok && nextArg != argCount)
        result = EFormatResult::BadFormat;

    writer.Terminate(capacity);
    if (result == EFormatResult::Ok && writer.Full())
        result = EFormatResult::Truncated;
    return result;
}
