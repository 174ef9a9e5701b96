#include "cli/OutputFolder.h"

#include <vector>

#include "base/Text.h"
#include "console/ToolFiles.h"

namespace {

// folder[0 .. end), where folder[end] is a separator, as a path of its own:
// a root keeps its separator ("/", "C:\").
std::u16string Prefix(const std::u16string& folder, size_t end) {
    std::u16string prefix = folder.substr(0, end);
    if (prefix.empty() || (prefix.size() == 2 && prefix[1] == u':'))
        prefix += folder[end];
    return prefix;
}

// The levels of folder after `begin`, empty and "." ones left out.
std::vector<std::u16string> Levels(const std::u16string& folder, size_t begin) {
    std::vector<std::u16string> levels;
    std::u16string level;
    for (size_t i = begin; i <= folder.size(); ++i) {
        if (i < folder.size() && !IsSeparator(folder[i])) {
            level += folder[i];
            continue;
        }
        if (!level.empty() && level != u".")
            levels.push_back(level);
        level.clear();
    }
    return levels;
}

SOutputFolder Failure(EOutputFolder result, const std::u16string& at) {
    SOutputFolder outcome;
    outcome.eResult = result;
    outcome.strAt = at;
    return outcome;
}

// Something that is no folder stands at `at`: a link (leading nowhere, or
// to no folder) or a file.
SOutputFolder Blocked(const std::u16string& at) {
    return Failure(PathItemAt(at).eKind == EPathKind::Other ? EOutputFolder::Link : EOutputFolder::NotAFolder, at);
}

// Makes each of levels below the held ancestor, one after the other.
SOutputFolder CreateLevels(IPlatform& platform, const std::u16string& ancestor, const std::u16string& shownAncestor,
                           const std::vector<std::u16string>& levels) {
    if (!platform.OpenOutputRoot(ancestor.c_str()))
        return Failure(EOutputFolder::CannotCreate, shownAncestor);
    SOutputFolder outcome;
    std::u16string relative;
    for (const std::u16string& level : levels) {
        relative += (relative.empty() ? u"" : u"\\") + level;
        std::u16string native = relative;
        platform.ToNativeSeparators(&native[0]);
        const EDirResult result = platform.CreateDir(native.c_str());
        if (result == EDirResult::Created || result == EDirResult::Exists)
            continue;
        outcome = Failure(result == EDirResult::Link ? EOutputFolder::Link : EOutputFolder::CannotCreate,
                          shownAncestor + u"/" + native);
        break;
    }
    platform.CloseOutputRoot();
    return outcome;
}

}  // namespace

SOutputFolder ReadyOutputFolder(IPlatform& platform, const std::u16string& folder, bool create) {
    SOutputFolder outcome;
    if (ResolveExistingFolder(folder, outcome.strAbsolute))
        return outcome;
    if (PathItemAt(folder).eKind != EPathKind::None)
        return Blocked(folder);
    // The deepest part that has anything: it must be a folder. cut is where
    // the levels to make begin.
    size_t cut = folder.size();
    std::u16string ancestor;
    for (;;) {
        while (cut > 0 && !IsSeparator(folder[cut - 1]))
            --cut;
        const std::u16string prefix = cut == 0 ? u"." : Prefix(folder, cut - 1);
        if (cut == 0 || PathItemAt(prefix).eKind != EPathKind::None) {
            if (!ResolveExistingFolder(prefix, ancestor))
                return Blocked(prefix);
            break;
        }
        --cut;
    }
    const std::vector<std::u16string> levels = Levels(folder, cut);
    std::u16string absolute = ancestor;
    for (const std::u16string& level : levels) {
        if (level == u"..")
            return Failure(EOutputFolder::Climbs, folder);
        absolute += u"\\" + level;
    }
    platform.ToNativeSeparators(&absolute[ancestor.size()]);
    if (create) {
        const std::u16string shownAncestor = cut > 0 ? folder.substr(0, cut - 1) : u".";
        outcome = CreateLevels(platform, ancestor, shownAncestor, levels);
        if (outcome.eResult != EOutputFolder::Ready)
            return outcome;
    }
    outcome.strAbsolute = absolute;
    return outcome;
}
