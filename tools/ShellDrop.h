// A drop as the shell hands it to a window with WM_DROPFILES: a movable
// global block holding DROPFILES and the wide paths, each terminated, with an
// empty one at the end. The receiver releases it (DragFinish). For the
// screenshot tool and the tests, which drop files without a shell.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

inline HDROP MakeShellDrop(const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const auto& path : paths)
        chars += path.size() + 1;
    const HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(WCHAR));
    if (!block)
        return nullptr;
    auto* header = static_cast<DROPFILES*>(::GlobalLock(block));
    if (!header) {
        ::GlobalFree(block);
        return nullptr;
    }
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* out = reinterpret_cast<WCHAR*>(reinterpret_cast<BYTE*>(header) + sizeof(DROPFILES));
    for (const auto& path : paths) {
        path.copy(out, path.size());
        out += path.size() + 1;
    }
    ::GlobalUnlock(block);
    return static_cast<HDROP>(block);
}
