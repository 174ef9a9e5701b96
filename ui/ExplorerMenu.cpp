#include "ui/ExplorerMenu.h"

#include <shlobj.h>

#include <cwchar>

#include "base/Text.h"
#include "extract/LogFormat.h"

namespace {

const SExplorerVerb kVerbs[] = {
    {L"SystemFileAssociations\\.god", L"VantoExtractor.Extract", L"Extract here", L"ここに展開"},
    {L"SystemFileAssociations\\.item", L"VantoExtractor.Extract", L"Extract here", L"ここに展開"},
    {L"SystemFileAssociations\\.npc", L"VantoExtractor.Extract", L"Extract here", L"ここに展開"},
    {L"SystemFileAssociations\\.vpatch", L"VantoExtractor.ApplyPatch", L"Apply patch here", L"ここにパッチを適用"},
    {L"Directory", L"VantoExtractor.Rebuild", L"Rebuild game file", L"ゲームファイルに再構築"},
};

const WCHAR kClasses[] = L"Software\\Classes";

// The key path "Software\Classes\CLASS\shell\VERB" (and "\command" when
// command is set) into buf; false when it does not fit.
bool ComposeVerbKey(const SExplorerVerb& verb, bool command, WCHAR* buf, size_t capacity) {
    return FormatTextV(AsChar16(buf), capacity, u"%s\\%s\\shell\\%s%s", AsChar16(kClasses),
                       AsChar16(verb.pszClassKey), AsChar16(verb.pszVerb), command ? u"\\command" : u"") ==
           EFormatResult::Ok;
}

bool SetDefaultValue(const WCHAR* keyPath, const WCHAR* text) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD bytes = DWORD((std::wcslen(text) + 1) * sizeof(WCHAR));
    const bool set =
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return set;
}

// Deletes the key when it has neither subkeys nor values: a key above a verb
// that adding created, or one the user had and left empty.
void DeleteIfEmpty(const WCHAR* keyPath) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 1, values = 1;
    const bool empty = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       subkeys == 0 && values == 0;
    ::RegCloseKey(key);
    if (empty)
        ::RegDeleteKeyW(HKEY_CURRENT_USER, keyPath);
}

// Cuts the last "\name" off the key path; false when none is left to cut.
bool CutLastLevel(WCHAR* keyPath) {
    WCHAR* last = std::wcsrchr(keyPath, L'\\');
    if (!last)
        return false;
    *last = 0;
    return true;
}

}  // namespace

const SExplorerVerb* GetExplorerVerbs(size_t& count) {
    count = sizeof kVerbs / sizeof kVerbs[0];
    return kVerbs;
}

bool AddExplorerMenu(const WCHAR* programPath, bool japanese) {
    WCHAR command[kPathCapacity + 32];
    // The shell puts the item's path for %1.
    if (FormatTextV(AsChar16(command), sizeof command / sizeof command[0], u"\"%s\" -o \"%s\\..\" \"%s\"",
                    AsChar16(programPath), u"%1", u"%1") != EFormatResult::Ok)
        return false;
    bool written = true;
    for (const SExplorerVerb& verb : kVerbs) {
        WCHAR key[256], commandKey[256];
        written = written && ComposeVerbKey(verb, false, key, 256) && ComposeVerbKey(verb, true, commandKey, 256) &&
                  SetDefaultValue(key, japanese ? verb.pszTextJa : verb.pszTextEn) &&
                  SetDefaultValue(commandKey, command);
    }
    if (!written)
        RemoveExplorerMenu();
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return written;
}

bool RemoveExplorerMenu() {
    bool removed = true;
    for (const SExplorerVerb& verb : kVerbs) {
        WCHAR key[256];
        if (!ComposeVerbKey(verb, false, key, 256))
            continue;
        const LONG result = ::RegDeleteTreeW(HKEY_CURRENT_USER, key);
        removed = removed && (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND);
        // "shell", then the class key, when nothing else is in them; never
        // Software\Classes itself.
        while (CutLastLevel(key) && std::wcslen(key) > std::wcslen(kClasses))
            DeleteIfEmpty(key);
    }
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return removed;
}
