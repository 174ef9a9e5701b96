// The resources of the built program, read by the platform's own resource
// functions: icon 128 in three sizes, the version data, the manifest (its DPI
// settings as the activation context reads them), and nothing else (dialogs
// and texts are built in code).
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/wine/app/ProgramPath.h"

namespace {

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_hModule = ::LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(m_hModule, nullptr) << "cannot load " << ::GetLastError();
    }
    void TearDown() override {
        if (m_hModule)
            ::FreeLibrary(m_hModule);
    }

    // The bytes of one resource; empty when it is missing.
    std::string Bytes(LPCWSTR type, LPCWSTR name) const {
        const HRSRC found = ::FindResourceW(m_hModule, name, type);
        if (!found)
            return {};
        const char* data = static_cast<const char*>(::LockResource(::LoadResource(m_hModule, found)));
        return std::string(data, ::SizeofResource(m_hModule, found));
    }

    HMODULE m_hModule = nullptr;
};

BOOL CALLBACK CollectType(HMODULE, LPWSTR type, LONG_PTR param) {
    reinterpret_cast<std::set<ULONG_PTR>*>(param)->insert(reinterpret_cast<ULONG_PTR>(type));
    return TRUE;
}

TEST_F(ProgramResources, OnlyIconsVersionAndManifest) {
    std::set<ULONG_PTR> types;
    ASSERT_TRUE(::EnumResourceTypesW(m_hModule, &CollectType, reinterpret_cast<LONG_PTR>(&types)));
    const std::set<ULONG_PTR> expected = {ULONG_PTR(RT_ICON), ULONG_PTR(RT_GROUP_ICON), ULONG_PTR(RT_VERSION),
                                          ULONG_PTR(RT_MANIFEST)};
    EXPECT_EQ(types, expected) << "no dialog, string or accelerator table, and no named type";
}

TEST_F(ProgramResources, Icon128Holds48And32And16PixelImages) {
    const std::string group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(128));
    ASSERT_GE(group.size(), 6u);
    const auto* bytes = reinterpret_cast<const BYTE*>(group.data());
    const int count = bytes[4] | bytes[5] << 8;
    ASSERT_EQ(group.size(), 6u + 14u * count);
    std::set<int> sizes;
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = bytes + 6 + 14 * i;
        EXPECT_EQ(entry[0], entry[1]) << "square";
        const int id = entry[12] | entry[13] << 8;
        EXPECT_FALSE(Bytes(RT_ICON, MAKEINTRESOURCEW(id)).empty()) << "image " << id;
        sizes.insert(entry[0]);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
    // The platform picks each size from the group.
    for (int size : {48, 32, 16}) {
        const HICON icon = static_cast<HICON>(
            ::LoadImageW(m_hModule, MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        EXPECT_NE(icon, nullptr) << size;
        if (icon)
            ::DestroyIcon(icon);
    }
}

TEST_F(ProgramResources, VersionIs1_0_0_1ForFileAndProduct) {
    const std::string version = Bytes(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    // VS_VERSIONINFO: header, L"VS_VERSION_INFO", padding, VS_FIXEDFILEINFO.
    const size_t at = version.find(std::string("\xBD\x04\xEF\xFE", 4));
    ASSERT_NE(at, std::string::npos) << "no fixed file info";
    VS_FIXEDFILEINFO info;
    ASSERT_GE(version.size(), at + sizeof info);
    memcpy(&info, version.data() + at, sizeof info);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(info.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(info.dwFileType, DWORD(VFT_APP));
}

TEST_F(ProgramResources, ManifestAsksForCommonControls6AsInvokerAndPerMonitorDpi) {
    const std::string manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);

    // The DPI settings as the platform reads them from the program's
    // manifest: each in its element, namespace and place.
    const std::wstring program = ProgramPath();
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    const HANDLE context = ::CreateActCtxW(&request);
    ASSERT_NE(context, INVALID_HANDLE_VALUE) << ::GetLastError();
    const struct {
        const wchar_t* space;
        const wchar_t* name;
        const wchar_t* value;
    } kSettings[] = {
        {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"true/pm"},
        {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness", L"PerMonitorV2, PerMonitor"},
    };
    for (const auto& setting : kSettings) {
        SCOPED_TRACE(setting.name);
        WCHAR value[64] = {};
        EXPECT_TRUE(::QueryActCtxSettingsW(0, context, setting.space, setting.name, value, 64, nullptr));
        EXPECT_EQ(std::wstring(value), setting.value);
    }
    ::ReleaseActCtx(context);
}

}  // namespace
