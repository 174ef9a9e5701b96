#include "packcli/PackFiles.h"

#include <algorithm>

#include "console/Console.h"
#include "console/ToolFiles.h"
#include "manifest/ManifestFormat.h"
#include "pack/Packer.h"
#include "rebuild/Localized.h"
#include "patch/PatchFormat.h"
#include "platform/SystemPlatform.h"
#include "base/Utf.h"

EExitStatus CheckOutput(const std::u16string& output, bool force, const CProtectedFiles& protectedFiles,
                        bool japanese, std::u16string& error) {
    CProtectedFiles::EKind input = CProtectedFiles::EKind::Original;
    if (protectedFiles.Match(output, input)) {
        const std::u16string what =
            input == CProtectedFiles::EKind::Manifest ? Localized(japanese, u"the manifest", u"マニフェスト")
            : input == CProtectedFiles::EKind::Patch  ? Localized(japanese, u"a patch being applied", u"適用するパッチ")
                                                     : Localized(japanese, u"the original", u"元のファイル");
        error = output + Localized(japanese, u": is ", u": ") + what +
                Localized(japanese,
                          u" (the same file, whatever its name), which this run reads: it is never replaced, also "
                          u"with --force; name another output with -o",
                          u" と同じファイルで (名前が違っても)、この処理が読むファイルです。--force でも置き換えません。"
                          u"-o で別の出力を指定してください");
        return EExitStatus::Problem;
    }
    std::u16string folder;
    if (!ResolveExistingFolder(FolderOf(output), folder)) {
        error = output + Localized(japanese, u": its folder is not there", u": そのフォルダがありません");
        return EExitStatus::Failed;
    }
    const EPathKind kind = PathItemAt(output).eKind;
    if (kind != EPathKind::None && (kind != EPathKind::File || !force)) {
        error = output + (kind == EPathKind::File
                              ? Localized(japanese, u": exists; use --force to replace it",
                                          u": 既にあります。置き換えるには --force を付けてください")
                              : Localized(japanese, u": exists and is no file", u": 既にあり、ファイルではありません"));
        return EExitStatus::Failed;
    }
    return EExitStatus::Done;
}

bool WriteOutput(CSystemPlatform& platform, const std::u16string& output, const std::vector<uint8_t>& bytes,
                 bool force, bool japanese, std::u16string& error) {
    std::u16string folder;
    if (!ResolveExistingFolder(FolderOf(output), folder)) {
        error = output + Localized(japanese, u": its folder is not there", u": そのフォルダがありません");
        return false;
    }
    const std::u16string name = NameOf(output);
    const bool replace = force && PathItemAt(output).eKind == EPathKind::File;
    if (!platform.OpenOutputRoot(folder.c_str())) {
        error = folder + Localized(japanese, u": cannot be opened", u": 開けません");
        return false;
    }
    std::u16string written = name;
    EWriteResult result = EWriteResult::Exists;
    for (int n = 1; n <= 100 && result == EWriteResult::Exists; ++n) {
        if (replace)
            written = u"." + name + u".vanto-pack-" + DecimalText(n) + u".tmp";
        result = platform.WriteNewFileInRoot(written.c_str(), bytes.data(), bytes.size());
        if (!replace)
            break;
    }
    platform.CloseOutputRoot();
    if (result != EWriteResult::Written) {
        error = output + (result == EWriteResult::Exists
                              ? Localized(japanese, u": exists; use --force to replace it",
                                          u": 既にあります。置き換えるには --force を付けてください")
                              : Localized(japanese, u": cannot be written", u": 書き込めません"));
        return false;
    }
    const std::u16string temporary = folder + u'/' + written;
    if (replace && !ReplaceFileAt(temporary, folder + u'/' + name)) {
        error = output + Localized(japanese, u": cannot be replaced: ", u": 置き換えられません: ") + ConsoleErrorText();
        RemoveFileAt(temporary);
        return false;
    }
    return true;
}
