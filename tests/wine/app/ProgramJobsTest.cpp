// The window doing the whole job as a user starts it: VantoExtractor.exe run
// as its own process with paths and switches (as Explorer passes them), its
// log read through its real list box, and what it writes compared with what
// vanto-extract.exe writes for the same files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixtures/ContainerWriter.h"
#include "tests/wine/WinFiles.h"
#include "tests/wine/app/ProgramPath.h"
#include "tests/wine/app/ProgramRun.h"

namespace {

using winfiles::W;

const wchar_t kTitleEn[] = L"Vanto Custom File Extractor";
const wchar_t kTitleJa[] = L"Vanto カスタムファイル展開ツール";

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring Quoted(const std::u16string& path) { return L"\"" + Wide(path) + L"\""; }

std::wstring ToolPath(const wchar_t* name) {
    std::wstring path = ProgramPath();
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

std::vector<std::wstring> LogLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
        std::wstring line(size_t(length > 0 ? length : 0) + 1, L'\0');
        ::SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&line[0]));
        line.resize(size_t(length > 0 ? length : 0));
        lines.push_back(line);
    }
    return lines;
}

// The window's log once it holds a line beginning with `last` (the drop's
// separator by default), waited for up to 60 s; the lines so far otherwise.
std::vector<std::wstring> WaitForLog(HWND window, const std::wstring& last = L"----------------") {
    const HWND list = ::GetDlgItem(window, 1000);
    std::vector<std::wstring> lines;
    for (int i = 0; i < 1200; ++i) {
        lines = LogLines(list);
        for (const std::wstring& line : lines) {
            if (line.compare(0, last.size(), last) == 0)
                return lines;
        }
        ::Sleep(50);
    }
    return lines;
}

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& text) {
    for (const std::wstring& line : lines) {
        if (line == text)
            return true;
    }
    return false;
}

// Runs a command-line tool with the arguments in `folder` and waits for it;
// its output goes to a file there (without any, writing its log fails).
DWORD RunTool(const wchar_t* tool, const std::wstring& arguments, const std::u16string& folder) {
    const std::wstring where = Wide(folder);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE output = ::CreateFileW((where + L"\\tool-output.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CChildProcess process;
    DWORD code = 98;
    if (output != INVALID_HANDLE_VALUE && process.Start(ToolPath(tool), arguments, where.c_str(), DETACHED_PROCESS, output) &&
        !process.WaitForExit(30000, code))
        code = 99;
    if (output != INVALID_HANDLE_VALUE)
        ::CloseHandle(output);
    ::DeleteFileW((where + L"\\tool-output.txt").c_str());
    return code;
}

// Runs the window with the arguments in `folder` until its first drop has
// ended, then closes it; the log it showed. Arguments beginning with -j
// start it in Japanese.
std::vector<std::wstring> RunWindow(const std::wstring& arguments, const std::u16string& folder) {
    const std::wstring where = Wide(folder);
    CProgramRun run(arguments, ProgramPath(), where.c_str());
    if (!run.Started())
        return {L"<not started>"};
    const bool japanese = arguments.compare(0, 2, L"-j") == 0;
    const HWND window = run.WaitForWindow(japanese ? kTitleJa : kTitleEn);
    if (!window)
        return {L"<no window>"};
    std::vector<std::wstring> lines = WaitForLog(window);
    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    if (run.WaitForExit() != 2)
        lines.push_back(L"<did not exit with 2>");
    return lines;
}

Bytes SampleFile(int variant) {
    CContainerWriter writer;
    writer.AddText("readme.txt", "variant " + std::to_string(variant));
    writer.AddGzip("data.bin", Bytes(4000, uint8_t(variant)));
    CContainerWriter child;
    child.AddText("inner.txt", "inside");
    writer.AddChild("sub", child);
    return writer.Data();
}

// Two paths at start-up, one with spaces and Japanese, quoted as Explorer
// quotes them, the other bare: one drop of two files, written where -o says
// or else into the current folder, as vanto-extract.exe writes them.
TEST(ProgramJobs, PathsAtStartUpAreOneDropIntoTheOutputFolder) {
    struct SCase {
        bool outputSwitch;
    };
    for (const SCase& c : {SCase{true}, SCase{false}}) {
        SCOPED_TRACE(c.outputSwitch ? "with -o" : "without -o");
        winfiles::CScratchFolder scratch;
        const std::u16string first = scratch / u"勇者 の 剣.god";
        const std::u16string second = scratch / u"plain.npc";
        ASSERT_TRUE(winfiles::WriteBytes(first, SampleFile(1)));
        ASSERT_TRUE(winfiles::WriteBytes(second, SampleFile(2)));
        for (const char16_t* folder : {u"current", u"out my", u"expected"})
            ASSERT_TRUE(::CreateDirectoryW(W(scratch / folder), nullptr));

        const std::wstring paths = Quoted(first) + L" " + Wide(second);
        const std::wstring output = c.outputSwitch ? L" -o " + Quoted(scratch / u"out my") : L"";
        const std::vector<std::wstring> lines = RunWindow(L"-e" + output + L" " + paths, scratch / u"current");
        EXPECT_TRUE(Contains(lines, L"2 files dropped."));
        EXPECT_TRUE(Contains(lines, L"File path [" + Wide(first) + L"]"));
        EXPECT_TRUE(Contains(lines, L"File path [" + Wide(second) + L"]"));
        EXPECT_TRUE(Contains(lines, L"2 files have been extracted."));

        ASSERT_EQ(RunTool(L"vanto-extract.exe", L"-e -C " + Quoted(scratch / u"expected") + L" " + paths, scratch.Path()),
                  0u);
        const winfiles::Tree expected = winfiles::TreeOf(scratch / u"expected");
        ASSERT_EQ(expected.size(), 10u);
        EXPECT_TRUE(winfiles::TreeOf(scratch / u"out my") == (c.outputSwitch ? expected : winfiles::Tree()));
        EXPECT_TRUE(winfiles::TreeOf(scratch / u"current") == (c.outputSwitch ? winfiles::Tree() : expected));
    }
}

// -m writes beside each folder the manifest vanto-extract.exe --manifest
// writes, byte for byte; without it a drop writes just the folders.
TEST(ProgramJobs, RebuildDataIsTheManifestOfTheCommandLineTool) {
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "-m" : "no -m");
        winfiles::CScratchFolder scratch;
        const std::u16string input = scratch / u"剣 one.item";
        ASSERT_TRUE(winfiles::WriteBytes(input, SampleFile(3)));
        ASSERT_TRUE(::CreateDirectoryW(W(scratch / u"window"), nullptr));
        ASSERT_TRUE(::CreateDirectoryW(W(scratch / u"tool"), nullptr));

        const std::vector<std::wstring> lines = RunWindow(
            std::wstring(L"-e") + (keep ? L" -m" : L"") + L" -o " + Quoted(scratch / u"window") + L" " + Quoted(input),
            scratch.Path());
        EXPECT_TRUE(Contains(lines, L"1 file has been extracted."));
        EXPECT_EQ(Contains(lines, L"Rebuild data written [剣 one.vanto.json]."), keep);
        ASSERT_EQ(RunTool(L"vanto-extract.exe",
                          std::wstring(L"-e") + (keep ? L" --manifest" : L"") + L" -C " + Quoted(scratch / u"tool") +
                              L" " + Quoted(input),
                          scratch.Path()),
                  0u);
        const winfiles::Tree tool = winfiles::TreeOf(scratch / u"tool");
        EXPECT_EQ(tool.count(u"剣 one.vanto.json"), keep ? 1u : 0u);
        EXPECT_TRUE(winfiles::TreeOf(scratch / u"window") == tool);
    }
}

// hero.god in the scratch folder, extracted with its manifest into the
// folder work by vanto-extract.exe: work/hero and work/hero.vanto.json.
struct SModdingFolder {
    winfiles::CScratchFolder scratch;
    std::u16string original = scratch / u"hero.god";
    std::u16string work = scratch / u"work";
    std::u16string folder = work + u"\\hero";

    ::testing::AssertionResult Make() {
        if (!winfiles::WriteBytes(original, SampleFile(7)) || !::CreateDirectoryW(W(work), nullptr) ||
            !::CreateDirectoryW(W(scratch / u"out"), nullptr))
            return ::testing::AssertionFailure() << "cannot write the files";
        const DWORD code =
            RunTool(L"vanto-extract.exe", L"-e --manifest -C " + Quoted(work) + L" " + Quoted(original), scratch.Path());
        if (code != 0)
            return ::testing::AssertionFailure() << "vanto-extract.exe ended with " << code;
        return ::testing::AssertionSuccess();
    }
    void Edit() { ASSERT_TRUE(winfiles::WriteBytes(folder + u"\\readme.txt", winfiles::Text("edited text"))); }
};

// A folder with its manifest beside it, dropped: untouched, it gives the
// original byte for byte; edited, a file that extracts to the edited tree;
// without the manifest, a new file, and the log says how it was built.
TEST(ProgramJobs, DroppedFolderIsRebuiltIntoTheOutputFolder) {
    struct SCase {
        const char* what;
        bool edit;
        bool removeManifest;
        const wchar_t* language;
        const wchar_t* summary;
        const wchar_t* done;
    };
    const SCase cases[] = {
        {"untouched", false, false, L"-e", L"0 changed, 0 added, 0 deleted; identical to the original; read back as the folder.",
         L"1 of 1 folders and patches done."},
        {"edited", true, false, L"-e", L"1 changed, 0 added, 0 deleted; read back as the folder.",
         L"1 of 1 folders and patches done."},
        {"no manifest", false, true, L"-e", L"0 changed, 0 added, 0 deleted; read back as the folder.",
         L"1 of 1 folders and patches done."},
        {"edited, in Japanese", true, false, L"-j", L"1 件変更、0 件追加、0 件削除。読み戻してフォルダと一致しました。",
         L"1個中、1個のフォルダとパッチを処理しました。"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        SModdingFolder mod;
        ASSERT_TRUE(mod.Make());
        if (c.edit) {
            mod.Edit();
        }
        if (c.removeManifest) {
            ASSERT_TRUE(::DeleteFileW(W(mod.work + u"\\hero.vanto.json")));
        }
        const std::u16string out = mod.scratch / u"out";
        const std::vector<std::wstring> lines =
            RunWindow(std::wstring(c.language) + L" -o " + Quoted(out) + L" " + Quoted(mod.folder), mod.scratch.Path());
        EXPECT_TRUE(Contains(lines, c.summary));
        EXPECT_EQ(Contains(lines, L"No rebuild data (FOLDER.vanto.json) beside the folder: it is packed as a new file, "
                                  L"entries in name order, each folder a child container NAME.pak."),
                  c.removeManifest);
        EXPECT_TRUE(Contains(lines, c.done));
        const std::u16string name = c.removeManifest ? u"hero.god" : u"hero.mod.god";
        ASSERT_TRUE(winfiles::IsFile(out + u"\\" + name)) << "nothing written";
        if (!c.edit && !c.removeManifest) {
            EXPECT_TRUE(winfiles::ReadBytes(out + u"\\" + name) == winfiles::ReadBytes(mod.original));
        }
        // Whatever was built extracts to the folder it was built from.
        ASSERT_TRUE(::CreateDirectoryW(W(mod.scratch / u"check"), nullptr));
        ASSERT_EQ(RunTool(L"vanto-extract.exe", L"-e -C " + Quoted(mod.scratch / u"check") + L" " + Quoted(out + u"\\" + name),
                          mod.scratch.Path()),
                  0u);
        const std::u16string checked = mod.scratch / (u"check\\" + name.substr(0, name.size() - 4));
        EXPECT_TRUE(winfiles::TreeOf(checked) == winfiles::TreeOf(mod.folder));
    }
}

// A dropped patch is applied to its original beside it, found by its name
// or, renamed, by its size and checksums, giving the bytes vanto-pack.exe
// --apply gives; an original that does not match is a line saying what was
// expected, and nothing is written.
TEST(ProgramJobs, DroppedPatchGivesTheBytesOfVantoPackApply) {
    enum class EOriginal { AsNamed, Renamed, Another };
    struct SCase {
        const char* what;
        EOriginal original;
        const char16_t* output;  // null: none
    };
    const SCase cases[] = {
        {"its original", EOriginal::AsNamed, u"hero.mod.god"},
        {"its original renamed", EOriginal::Renamed, u"hero copy.mod.god"},
        {"another original", EOriginal::Another, nullptr},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        SModdingFolder mod;
        ASSERT_TRUE(mod.Make());
        mod.Edit();
        const std::u16string patch = mod.scratch / u"hero mod.vpatch";
        ASSERT_EQ(RunTool(L"vanto-pack.exe", L"-e --patch " + Quoted(patch) + L" " + Quoted(mod.folder), mod.scratch.Path()), 0u);
        ASSERT_EQ(RunTool(L"vanto-pack.exe", L"-e --apply " + Quoted(patch) + L" -o " + Quoted(mod.scratch / u"expected.god"),
                          mod.scratch.Path()),
                  0u);
        if (c.original == EOriginal::Another) {
            ASSERT_TRUE(winfiles::WriteBytes(mod.original, SampleFile(8)));
        }
        if (c.original == EOriginal::Renamed) {
            ASSERT_TRUE(::MoveFileW(W(mod.original), W(mod.scratch / u"hero copy.god")));
        }

        const std::u16string out = mod.scratch / u"out";
        const std::vector<std::wstring> lines = RunWindow(L"-e -o " + Quoted(out) + L" " + Quoted(patch), mod.scratch.Path());
        EXPECT_TRUE(Contains(lines, c.output ? L"1 of 1 folders and patches done." : L"0 of 1 folders and patches done."));
        bool expectedSaid = false;
        for (const std::wstring& line : lines)
            expectedSaid = expectedSaid || (line.find(L"Cannot apply the patch: its original hero.god (") == 0 &&
                                            line.find(L"does not match the patch") != std::wstring::npos);
        EXPECT_EQ(expectedSaid, !c.output);
        if (!c.output) {
            EXPECT_TRUE(winfiles::TreeOf(out).empty());
        } else {
            EXPECT_TRUE(Contains(lines, L"  changed: readme.txt"));
            EXPECT_TRUE(winfiles::ReadBytes(out + u"\\" + c.output) == winfiles::ReadBytes(mod.scratch / u"expected.god"));
        }
    }
}

// A file, a folder and a patch in one start: each handled in that order with
// its own lines, one summary for them all, and nothing ever replaced: a
// second result of one name gets a free one.
TEST(ProgramJobs, MixedDropIsHandledInOrder) {
    SModdingFolder mod;
    ASSERT_TRUE(mod.Make());
    const std::u16string patch = mod.scratch / u"hero.vpatch";
    mod.Edit();
    ASSERT_EQ(RunTool(L"vanto-pack.exe", L"-e --patch " + Quoted(patch) + L" " + Quoted(mod.folder), mod.scratch.Path()), 0u);
    const std::u16string out = mod.scratch / u"out";
    const std::vector<std::wstring> lines = RunWindow(
        L"-e -o " + Quoted(out) + L" " + Quoted(mod.original) + L" " + Quoted(mod.folder) + L" " + Quoted(patch),
        mod.scratch.Path());
    std::vector<std::wstring> order;
    for (const std::wstring& line : lines) {
        if (line.compare(0, 11, L"File path [") == 0 || line.compare(0, 9, L"Written [") == 0 ||
            line.find(L" extracted.") != std::wstring::npos || line.find(L"folders and patches") != std::wstring::npos)
            order.push_back(line);
    }
    const std::vector<std::wstring> expected = {
        L"File path [" + Wide(mod.original) + L"]",
        L"File path [" + Wide(mod.folder) + L"]",
        L"Written [hero.mod.god] (" + std::to_wstring(winfiles::ReadBytes(out + u"\\hero.mod.god").size()) + L" bytes).",
        L"File path [" + Wide(patch) + L"]",
        L"Written [hero.mod (2).god] (" + std::to_wstring(winfiles::ReadBytes(out + u"\\hero.mod (2).god").size()) +
            L" bytes).",
        L"1 file has been extracted.",
        L"2 of 2 folders and patches done.",
    };
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(winfiles::ReadBytes(out + u"\\hero.mod.god") == winfiles::ReadBytes(out + u"\\hero.mod (2).god"));
    EXPECT_TRUE(winfiles::IsFolder(out + u"\\hero"));
}

// The default value of HKCU\Software\Classes\KEY, read through the registry
// API; "<none>" when the key is not there.
std::wstring ClassesValue(const std::wstring& key) {
    WCHAR value[1024];
    DWORD bytes = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + key).c_str(), nullptr, RRF_RT_REG_SZ, nullptr,
                       value, &bytes) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

bool ClassesKeyExists(const std::wstring& key) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(handle);
    return true;
}

// The system menu's items write Explorer's verbs under the current user's
// classes, each starting the program with -o the item's own folder (run here
// as Explorer would run it, it extracts beside the file), and take them all
// away again, with the keys above them that they made.
TEST(ProgramJobs, ExplorerMenuIsAddedAndRemovedForTheCurrentUser) {
    struct SVerb {
        const wchar_t* classKey;
        const wchar_t* verb;
        const wchar_t* text;
    };
    const SVerb verbs[] = {
        {L"SystemFileAssociations\\.god", L"VantoExtractor.Extract", L"Extract here"},
        {L"SystemFileAssociations\\.item", L"VantoExtractor.Extract", L"Extract here"},
        {L"SystemFileAssociations\\.npc", L"VantoExtractor.Extract", L"Extract here"},
        {L"SystemFileAssociations\\.vpatch", L"VantoExtractor.ApplyPatch", L"Apply patch here"},
        {L"Directory", L"VantoExtractor.Rebuild", L"Rebuild game file"},
    };
    std::vector<bool> classesBefore;
    for (const SVerb& v : verbs)
        classesBefore.push_back(ClassesKeyExists(v.classKey));

    winfiles::CScratchFolder scratch;
    CProgramRun run(L"-e");
    ASSERT_TRUE(run.Started());
    const HWND window = run.WaitForWindow(kTitleEn);
    ASSERT_NE(window, nullptr);
    ::PostMessageW(window, WM_SYSCOMMAND, 0xE180, 0);
    ASSERT_TRUE(Contains(WaitForLog(window, L"Added to Explorer's menu"),
                         L"Added to Explorer's menu for this user: Extract here, Apply patch here, Rebuild game file."));
    const std::wstring command = L"\"" + ProgramPath() + L"\" -o \"%1\\..\" \"%1\"";
    for (const SVerb& v : verbs) {
        const std::wstring key = std::wstring(v.classKey) + L"\\shell\\" + v.verb;
        EXPECT_EQ(ClassesValue(key), v.text) << std::string(key.begin(), key.end());
        EXPECT_EQ(ClassesValue(key + L"\\command"), command);
    }

    // The .god verb as Explorer runs it, on a file in a folder of its own.
    ASSERT_TRUE(::CreateDirectoryW(W(scratch / u"game"), nullptr));
    const std::u16string file = scratch / u"game\\勇者.god";
    ASSERT_TRUE(winfiles::WriteBytes(file, SampleFile(4)));
    std::wstring arguments = ClassesValue(L"SystemFileAssociations\\.god\\shell\\VantoExtractor.Extract\\command");
    arguments = arguments.substr(arguments.find(L"\" ") + 2);
    for (size_t at; (at = arguments.find(L"%1")) != std::wstring::npos;)
        arguments.replace(at, 2, Wide(file));
    const std::vector<std::wstring> lines = RunWindow(L"-e " + arguments, scratch.Path());
    EXPECT_TRUE(Contains(lines, L"1 file has been extracted."));
    EXPECT_TRUE(winfiles::IsFile(scratch / u"game\\勇者\\sub\\inner.txt"));

    ::PostMessageW(window, WM_SYSCOMMAND, 0xE190, 0);
    ASSERT_TRUE(Contains(WaitForLog(window, L"Removed from Explorer's menu"), L"Removed from Explorer's menu."));
    for (size_t i = 0; i < sizeof verbs / sizeof verbs[0]; ++i) {
        EXPECT_FALSE(ClassesKeyExists(std::wstring(verbs[i].classKey) + L"\\shell\\" + verbs[i].verb));
        EXPECT_EQ(ClassesKeyExists(verbs[i].classKey), classesBefore[i]) << i;
    }
    ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(run.WaitForExit(), 2u);
}

}  // namespace
