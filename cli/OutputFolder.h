// -C DIR: the folder that extraction goes into, made when it is missing.
//
// The deepest part of DIR that exists is taken as the user named it (a link
// there is followed, as for a DIR that exists whole); every level below it is
// made with the platform's CreateDir, relative to that folder held open and
// never through a link, as every output folder is. A link found (or put) on
// the way is refused, and nothing is made below it.
#pragma once

#include <string>

#include "platform/Platform.h"

enum class EOutputFolder {
    Ready,         // absolute names the folder, which exists (or, not made, would)
    NotAFolder,    // `at` exists and is not a folder (a file, a link that leads nowhere, ...)
    Link,          // a link stands at `at`, below the part that exists: not followed
    CannotCreate,  // `at` could not be made (or the part that exists not opened)
    Climbs,        // a ".." stands in the part to be made: nothing is made
};

struct SOutputFolder {
    EOutputFolder eResult = EOutputFolder::Ready;
    std::u16string strAbsolute;  // the folder's absolute path, when Ready
    std::u16string strAt;        // where it went wrong, as DIR names it
};

// Makes folder (and its missing parents) when create is set; without it
// (listing), only says where it would be.
SOutputFolder ReadyOutputFolder(IPlatform& platform, const std::u16string& folder, bool create);
