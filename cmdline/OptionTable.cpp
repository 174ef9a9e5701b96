#include "cmdline/OptionTable.h"

namespace {

constexpr size_t kHelpColumn = 20;  // where the rows' texts begin

// The row whose names hold `name` exactly; null when none does.
const SOptionRow* FindRow(const std::vector<SOptionRow>& table, const std::u16string& name) {
    for (const SOptionRow& row : table) {
        if (row.nId == kHelpOnly)
            continue;
        const std::u16string names = row.pszNames;
        for (size_t begin = 0; begin <= names.size();) {
            size_t end = names.find(u", ", begin);
            if (end == std::u16string::npos)
                end = names.size();
            if (names.compare(begin, end - begin, name) == 0)
                return &row;
            begin = end + 2;
        }
    }
    return nullptr;
}

bool TakesValue(const SOptionRow* row) { return row && row->pszValue; }

// Whether every letter after the '-' of arg is a short switch.
bool BundlesSwitches(const std::vector<SOptionRow>& table, const std::u16string& arg) {
    for (size_t k = 1; k < arg.size(); ++k) {
        const SOptionRow* row = FindRow(table, u"-" + arg.substr(k, 1));
        if (!row || TakesValue(row))
            return false;
    }
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::u16string>& args, const std::vector<SOptionRow>& table,
                  const OptionSetter& set, const OperandTaker& take, std::u16string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != u'-') {
            if (!take(arg, error))
                return false;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value", "--name value" or "-n value" for the options that
        // take one; a switch stands alone or among other short switches.
        const bool isLong = arg.compare(0, 2, u"--") == 0;
        const size_t equals = isLong ? arg.find(u'=') : std::u16string::npos;
        const std::u16string name = arg.substr(0, equals);
        const SOptionRow* row = FindRow(table, name);
        if (TakesValue(row)) {
            if (equals == std::u16string::npos && i + 1 >= args.size()) {
                error = u"option " + name + u" needs a value";
                return false;
            }
            if (!set(row->nId, name, equals == std::u16string::npos ? args[++i] : arg.substr(equals + 1), error))
                return false;
            continue;
        }
        if (row && equals == std::u16string::npos) {
            if (!set(row->nId, name, u"", error))
                return false;
            continue;
        }
        if (isLong || row || !BundlesSwitches(table, arg)) {
            error = u"unknown option: " + arg;
            return false;
        }
        // "-lq": every letter a switch of its own.
        for (size_t k = 1; k < arg.size(); ++k) {
            const std::u16string letter = u"-" + arg.substr(k, 1);
            if (!set(FindRow(table, letter)->nId, letter, u"", error))
                return false;
        }
    }
    return true;
}

std::u16string OptionsHelp(const std::vector<SOptionRow>& table) {
    std::u16string help;
    for (const SOptionRow& row : table) {
        if (row.pszHeading)
            help += u"\n" + std::u16string(row.pszHeading) + u"\n";
        if (!row.pszHelp)
            continue;
        std::u16string shown = u"  " + std::u16string(row.pszNames);
        if (row.pszValue)
            shown += u" " + std::u16string(row.pszValue);
        if (shown.size() >= kHelpColumn)
            shown += u"\n" + std::u16string(kHelpColumn, u' ');
        else
            shown.resize(kHelpColumn, u' ');
        help += shown;
        for (const char16_t* p = row.pszHelp; *p; ++p) {
            help += *p;
            if (*p == u'\n')
                help += std::u16string(kHelpColumn, u' ');
        }
        help += u'\n';
    }
    return help;
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
