// CFolderChain: the folders from an output root down to the folder being
// filled, each level opened relative to a handle of its parent.
//
// The chain stays open while it is used: consecutive entries of one folder
// cost no lookup at all, and moving to another folder reopens only the
// levels that differ. Used by CSystemPlatform on each system, which says
// how one level is opened (never through a link) and closed. It holds at
// most kMaxLevels levels of kMaxNames characters in all (more than any output
// path has) in fixed storage: it never allocates and never throws.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Platform.h"

// One component of a relative path: characters [begin, begin + length).
struct SPathComponent {
    const char16_t* begin = nullptr;
    size_t length = 0;
};

enum class EPathSplit {
    Named,    // the path names something below the root
    Root,     // no component at all: the root itself
    Refused,  // a ".." component
};

// How a relative path's components are separated: the engine composes its
// paths with '\' (and takes '/' too); the reader's paths have '/' only, since
// a '\' is a character of a POSIX name.
enum class ESeparators { BothSlashes, SlashOnly };

// Splits a relative path into the folder part (its first folderLength
// characters) and its last component. Empty and "." components are skipped.
EPathSplit SplitRelativePath(const char16_t* path, size_t& folderLength, SPathComponent& name,
                             ESeparators separators = ESeparators::BothSlashes);

// A temporary file name, ASCII: longer than any name an entry can produce
// (at most 51 characters), so no entry can take it. Returns its length.
size_t FormatTemporaryName(char* out, size_t capacity, unsigned long processId, unsigned long sequence);
enum : size_t { kTemporaryNameCapacity = 80 };

class CFolderChain {
public:
    using Handle = intptr_t;
    static constexpr Handle kNoHandle = -1;

    class IOpener {
    public:
        // Opens folder `name` inside `parent`, never through a link;
        // kNoHandle when it cannot be opened.
        virtual Handle OpenFolder(Handle parent, const SPathComponent& name) = 0;
        virtual void CloseFolder(Handle folder) = 0;

    protected:
        ~IOpener() = default;
    };

    explicit CFolderChain(IOpener& opener, ESeparators separators = ESeparators::BothSlashes)
        : m_opener(opener), m_eSeparators(separators) {}
    ~CFolderChain() { Close(); }
    CFolderChain(const CFolderChain&) = delete;
    CFolderChain& operator=(const CFolderChain&) = delete;

    // Takes over the root handle; closes the chain held before.
    void SetRoot(Handle root);
    // Closes every level and the root.
    void Close();
    Handle Root() const { return m_root; }

    // The folder named by path[0 .. length-1] (relative to the root), opening
    // the levels not held yet. kNoHandle when there is no root, a level
    // cannot be opened, or a component is "..".
    Handle Folder(const char16_t* path, size_t length);

    enum : size_t { kMaxLevels = 160, kMaxNames = 1024 };

    // Folder for reading: the root itself for an empty path, without letting
    // go of the levels held (the next read is likely below them).
    Handle HeldFolder(const char16_t* path, size_t length) { return length == 0 ? m_root : Folder(path, length); }

    // Splits path (SplitRelativePath) and opens the folder that holds its
    // last component, `name`. kNoHandle unless split is Named.
    Handle OpenParent(const char16_t* path, SPathComponent& name, EPathSplit& split);

    // How CreateDir begins on every system: opens the folder that is to hold
    // path's last component, `name`. False, with the outcome in `result`,
    // when there is nothing to create: the path names the root (Exists, or
    // Failed without a root) or a level above cannot be opened (Failed).
    bool OpenParentToCreate(const char16_t* path, SPathComponent& name, Handle& parent, EDirResult& result);

private:
    struct SLevel {
        size_t nameBegin;  // in m_names
        size_t nameLength;
        Handle handle;
    };
    bool IsLevel(size_t level, const SPathComponent& name) const;
    void CloseFrom(size_t level);

    IOpener& m_opener;
    ESeparators m_eSeparators;
    Handle m_root = kNoHandle;
    SLevel m_levels[kMaxLevels] = {};
    size_t m_nLevels = 0;
    char16_t m_names[kMaxNames] = {};
};
