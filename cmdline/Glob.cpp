#include "cmdline/Glob.h"

#include <cstddef>
#include <iterator>

#include "base/LetterCase.h"
#include "base/Text.h"

namespace {

enum : size_t { kPrefixCapacity = 1024 };  // MatchGlobOrParent's prefix, terminator included

// One component, [begin, end); empty only at the terminator.
struct SPart {
    const char16_t* begin;
    const char16_t* end;
    bool AtEnd() const { return begin == end; }
    bool IsGlobstar() const { return end - begin == 2 && begin[0] == u'*' && begin[1] == u'*'; }
};

// The component that starts at `p`, past any separators.
SPart NextPart(const char16_t* p) {
    while (IsSeparator(*p))
        ++p;
    const char16_t* end = p;
    while (*end && !IsSeparator(*end))
        ++end;
    return {p, end};
}

// The set whose '[' is at `p`, within the component's `end`: the position past
// its ']' with `member` telling whether `ch` belongs, or null when it is unclosed.
const char16_t* ReadSet(const char16_t* p, const char16_t* end, char16_t ch, bool& member) {
    ++p;
    const bool negated = p < end && (*p == u'!' || *p == u'^');
    if (negated)
        ++p;
    const char16_t folded = FoldLetter(ch);
    bool in = false;
    for (const char16_t* first = p; p < end; ++p) {
        if (*p == u']' && p != first) {
            member = in != negated;
            return p + 1;
        }
        const char16_t low = *p;
        if (end - p > 2 && p[1] == u'-' && p[2] != u']')
            p += 2;
        if (FoldLetter(low) <= folded && folded <= FoldLetter(*p))
            in = true;
    }
    return nullptr;
}

// The pattern past its token at `p` (not '*') when that token matches `ch`; null otherwise.
const char16_t* MatchToken(const char16_t* p, const char16_t* end, char16_t ch) {
    if (*p == u'?')
        return p + 1;
    if (*p == u'[') {
        bool member = false;
        if (const char16_t* next = ReadSet(p, end, ch, member))
            return member ? next : nullptr;
    }
    return FoldLetter(*p) == FoldLetter(ch) ? p + 1 : nullptr;
}

// One pattern component against one path component. On a mismatch the last
// '*' takes one more character and the rest is tried again from there.
bool MatchPart(SPart pattern, SPart text) {
    const char16_t* p = pattern.begin;
    const char16_t* t = text.begin;
    const char16_t* starP = nullptr;  // the pattern after the last '*'
    const char16_t* starT = text.begin;  // where the text resumes after it
    while (t < text.end) {
        if (p < pattern.end && *p == u'*') {
            starP = ++p;
            starT = t;
            continue;
        }
        const char16_t* next = p < pattern.end ? MatchToken(p, pattern.end, *t) : nullptr;
        if (next) {
            p = next;
            ++t;
        } else if (starP) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.end && *p == u'*')
        ++p;
    return p == pattern.end;
}

}  // namespace


// The same backtracking one level up: components for characters and "**" for
// '*'. Each other pattern component takes exactly one path component.
bool MatchGlob(const char16_t* pattern, const char16_t* path) {
    SPart p = NextPart(pattern);
    SPart t = NextPart(path);
    bool starSeen = false;
    SPart starP = p;  // the pattern after the last "**"
    SPart starT = t;  // where the path resumes after it
    while (!t.AtEnd()) {
        if (p.IsGlobstar()) {
            starSeen = true;
            starP = p = NextPart(p.end);
            starT = t;
        } else if (!p.AtEnd() && MatchPart(p, t)) {
            p = NextPart(p.end);
            t = NextPart(t.end);
        } else if (starSeen) {
            p = starP;
            t = starT = NextPart(starT.end);
        } else {
            return false;
        }
    }
    while (p.IsGlobstar())
        p = NextPart(p.end);
    return p.AtEnd();
}

bool MatchGlobOrParent(const char16_t* pattern, const char16_t* path) {
    char16_t prefix[kPrefixCapacity];
    for (size_t i = 0;; ++i) {
        if (path[i] != 0 && !IsSeparator(path[i]))
            continue;
        if (!CopyText(prefix, std::size(prefix), path, i))
            return false;
        if (MatchGlob(pattern, prefix))
            return true;
        if (path[i] == 0)
            return false;
    }
}

bool MatchGlobPath(const std::u16string& pattern, const char16_t* path) {
    if (pattern.find_first_of(u"/\\") != std::u16string::npos)
        return MatchGlobOrParent(pattern.c_str(), path);
    std::u16string name;
    for (const char16_t* p = path;; ++p) {
        if (*p == u'/' || *p == 0) {
            if (MatchGlob(pattern.c_str(), name.c_str()))
                return true;
            if (*p == 0)
                return false;
            name.clear();
        } else {
            name.push_back(*p);
        }
    }
}
