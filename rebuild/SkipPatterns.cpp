#include "rebuild/SkipPatterns.h"

#include "cmdline/Glob.h"

const std::vector<std::u16string>& DefaultExcludes() {
    static const std::vector<std::u16string> kPatterns = {u".*",          u"*~",        u"*.swp",
                                                          u"Thumbs.db",   u"desktop.ini", u".DS_Store",
                                                          u"*.vanto.json"};
    return kPatterns;
}

bool CSkipPatterns::Skips(const std::u16string& path, std::u16string& pattern) const {
    for (const std::u16string& candidate : m_patterns) {
        if (MatchGlobPath(candidate, path.c_str())) {
            pattern = candidate;
            return true;
        }
    }
    return false;
}
