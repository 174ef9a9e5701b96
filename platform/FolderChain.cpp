#include "platform/FolderChain.h"

#include <cstdio>
#include <cstring>

#include "base/Text.h"

namespace {

bool Separates(char16_t ch, ESeparators separators) {
    return separators == ESeparators::BothSlashes ? IsSeparator(ch) : ch == u'/';
}

bool IsDot(const SPathComponent& c) { return c.length == 1 && c.begin[0] == u'.'; }
bool IsDotDot(const SPathComponent& c) { return c.length == 2 && c.begin[0] == u'.' && c.begin[1] == u'.'; }

// The next non-empty component at or after p (stopping at end); false when none.
bool NextComponent(const char16_t*& p, const char16_t* end, SPathComponent& c, ESeparators separators) {
    while (p < end && Separates(*p, separators))
        ++p;
    if (p == end)
        return false;
    c.begin = p;
    while (p < end && !Separates(*p, separators))
        ++p;
    c.length = size_t(p - c.begin);
    return true;
}

const char16_t* EndOf(const char16_t* p) {
    while (*p)
        ++p;
    return p;
}

}  // namespace

EPathSplit SplitRelativePath(const char16_t* path, size_t& folderLength, SPathComponent& name,
                             ESeparators separators) {
    const char16_t* p = path;
    const char16_t* end = EndOf(path);
    bool found = false;
    SPathComponent c;
    while (NextComponent(p, end, c, separators)) {
        if (IsDotDot(c))
            return EPathSplit::Refused;
        if (IsDot(c))
            continue;
        name = c;
        found = true;
    }
    if (!found)
        return EPathSplit::Root;
    folderLength = size_t(name.begin - path);
    return EPathSplit::Named;
}

size_t FormatTemporaryName(char* out, size_t capacity, unsigned long processId, unsigned long sequence) {
    const int n = std::snprintf(out, capacity, ".vanto-extract-%010lu-%010lu.incomplete-partial-file", processId,
                                sequence);
    return n > 0 && size_t(n) < capacity ? size_t(n) : 0;
}

void CFolderChain::SetRoot(Handle root) {
    Close();
    m_root = root;
}

void CFolderChain::Close() {
    CloseFrom(0);
    if (m_root != kNoHandle)
        m_opener.CloseFolder(m_root);
    m_root = kNoHandle;
}

void CFolderChain::CloseFrom(size_t level) {
    while (m_nLevels > level)
        m_opener.CloseFolder(m_levels[--m_nLevels].handle);
}

bool CFolderChain::IsLevel(size_t level, const SPathComponent& name) const {
    const SLevel& held = m_levels[level];
    return held.nameLength == name.length &&
           std::memcmp(m_names + held.nameBegin, name.begin, name.length * sizeof(char16_t)) == 0;
}

CFolderChain::Handle CFolderChain::Folder(const char16_t* path, size_t length) {
    if (m_root == kNoHandle)
        return kNoHandle;
    const char16_t* p = path;
    const char16_t* end = path + length;
    size_t level = 0;
    SPathComponent c;
    while (NextComponent(p, end, c, m_eSeparators)) {
        if (IsDotDot(c))
            return kNoHandle;
        if (IsDot(c))
            continue;
        if (level < m_nLevels && IsLevel(level, c)) {
            ++level;
            continue;
        }
        CloseFrom(level);
        const size_t nameBegin = level == 0 ? 0 : m_levels[level - 1].nameBegin + m_levels[level - 1].nameLength;
        if (level == kMaxLevels || c.length > kMaxNames - nameBegin)
            return kNoHandle;
        const Handle parent = level == 0 ? m_root : m_levels[level - 1].handle;
        const Handle opened = m_opener.OpenFolder(parent, c);
        if (opened == kNoHandle)
            return kNoHandle;
        std::memcpy(m_names + nameBegin, c.begin, c.length * sizeof(char16_t));
        m_levels[level] = SLevel{nameBegin, c.length, opened};
        m_nLevels = ++level;
    }
    CloseFrom(level);
    return level == 0 ? m_root : m_levels[level - 1].handle;
}

bool CFolderChain::OpenParentToCreate(const char16_t* path, SPathComponent& name, Handle& parent,
                                      EDirResult& result) {
    EPathSplit split;
    parent = OpenParent(path, name, split);
    if (split == EPathSplit::Root)
        result = m_root == kNoHandle ? EDirResult::Failed : EDirResult::Exists;
    else if (parent == kNoHandle)
        result = EDirResult::Failed;
    return parent != kNoHandle;
}

CFolderChain::Handle CFolderChain::OpenParent(const char16_t* path, SPathComponent& name, EPathSplit& split) {
    size_t folderLength = 0;
    split = SplitRelativePath(path, folderLength, name, m_eSeparators);
    return split == EPathSplit::Named ? Folder(path, folderLength) : kNoHandle;
}
