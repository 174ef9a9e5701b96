// Where the tests find the program under test: beside the tests' folder,
// build\tests\..\VantoExtractor.exe.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring ProgramPath() {
    WCHAR self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.rfind(L'\\'));
    path.resize(path.rfind(L'\\'));
    return path + L"\\VantoExtractor.exe";
}
