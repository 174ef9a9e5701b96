// Which new files and folders stay out of a rebuilt file: glob patterns
// (cmdline/Glob), by default the leftovers editors and Explorer make.
#pragma once

#include <string>
#include <vector>

#include "pack/Packer.h"

// Hidden files (.*), *~, *.swp, Thumbs.db, desktop.ini, .DS_Store and
// *.vanto.json.
const std::vector<std::u16string>& DefaultExcludes();

class CSkipPatterns final : public ISkipRule {
public:
    explicit CSkipPatterns(std::vector<std::u16string> patterns) : m_patterns(std::move(patterns)) {}
    bool Skips(const std::u16string& path, std::u16string& pattern) const override;

private:
    std::vector<std::u16string> m_patterns;
};
