#include "rebuild/DropJobs.h"

#include "base/Text.h"
#include "base/Utf.h"
#include "console/ToolFiles.h"
#include "pack/PackVerify.h"
#include "pack/Packer.h"
#include "platform/FolderReader.h"
#include "platform/SystemPlatform.h"
#include "rebuild/DiskFolderSource.h"
#include "rebuild/FolderManifest.h"
#include "rebuild/Localized.h"
#include "rebuild/PatchFiles.h"
#include "rebuild/SkipPatterns.h"

namespace {

// A path inside a folder ('/' between levels) as the system writes paths.
std::u16string SystemPath(std::u16string path) {
    for (char16_t& ch : path)
        if (ch == u'/')
            ch = kSystemSeparator;
    return path;
}

// The disk folder, read with the front end asked to go on before every read:
// a read after a stop fails, so the packer stops with nothing built.
class CStoppableSource final : public IFolderSource {
public:
    explicit CStoppableSource(IJobReport& report) : m_report(report) {}
    ESourceResult Open(const std::u16string& root) { return m_disk.Open(root); }
    bool Stopped() const { return m_bStopped; }

    ESourceResult ListFolder(const std::u16string& path, std::vector<SFolderItem>& items) override {
        return GoOn() ? m_disk.ListFolder(path, items) : ESourceResult::Failed;
    }
    ESourceResult ReadFile(const std::u16string& path, std::vector<uint8_t>& bytes) override {
        return GoOn() ? m_disk.ReadFile(path, bytes) : ESourceResult::Failed;
    }

private:
    bool GoOn() {
        m_bStopped = m_bStopped || !m_report.GoOn();
        return !m_bStopped;
    }

    IJobReport& m_report;
    CDiskFolderSource m_disk;
    bool m_bStopped = false;
};

// The files of the folder that have `size` bytes: candidates for an
// original known by its size and checksums whatever its name.
std::vector<std::u16string> FilesOfSize(const std::u16string& folder, int64_t size) {
    std::vector<std::u16string> found;
    CFolderReader reader;
    std::vector<SFolderItem> items;
    if (reader.OpenRoot(folder) != ESourceResult::Ok || reader.ListFolder(u"", items) != ESourceResult::Ok)
        return found;
    for (const SFolderItem& item : items) {
        if (item.eKind == EItemKind::File && item.nSize == size)
            found.push_back(folder + kSystemSeparator + item.strName);
    }
    return found;
}

std::u16string TrimSeparators(std::u16string path) {
    while (path.size() > 1 && IsSystemSeparator(path.back()))
        path.pop_back();
    return path;
}

bool EndsWithNoCase(const std::u16string& text, const char16_t* end) {
    const size_t length = StrLen16(end);
    return text.size() >= length && EqualsNoCase(text.data() + text.size() - length, text.data() + text.size(), end);
}

// Writes the result into the output folder under a free name and says so.
EDropJob WriteResult(IPlatform& platform, const SDropJobOptions& options, const std::u16string& name,
                     const std::vector<uint8_t>& bytes, IJobReport& report) {
    const bool ja = options.bJapanese;
    if (!report.GoOn())
        return EDropJob::Stopped;
    std::u16string written;
    const bool opened = platform.OpenOutputRoot(options.strOutputFolder.c_str());
    const bool done = opened && WriteUnderFreeName(platform, name, bytes, written);
    if (opened)
        platform.CloseOutputRoot();
    if (!done) {
        report.Say(Localized(ja, u"Cannot write [", u"[") + options.strOutputFolder + kSystemSeparator + name +
                   Localized(ja, u"].", u"] を書き込めませんでした。"));
        return EDropJob::Failed;
    }
    report.Say(Localized(ja, u"Written [", u"[") + written + Localized(ja, u"] (", u"] を書き込みました (") +
               DecimalText(int64_t(bytes.size())) + Localized(ja, u" bytes).", u" バイト)。"));
    return EDropJob::Done;
}

// One line a change: "changed: PATH", "added: PATH", "deleted: PATH", ...
std::u16string ChangeLine(EPackChange change, const std::u16string& path, const std::u16string& note, bool ja) {
    switch (change) {
    case EPackChange::Changed: return Localized(ja, u"  changed: ", u"  変更: ") + path;
    case EPackChange::Added: return Localized(ja, u"  added: ", u"  追加: ") + path;
    case EPackChange::Deleted: return Localized(ja, u"  deleted: ", u"  削除: ") + path;
    case EPackChange::StoredNotGzipped:
        return Localized(ja, u"  stored, not gzip: ", u"  gzip にせず格納: ") + path + u" (" + note + u")";
    case EPackChange::Skipped:
        return Localized(ja, u"  skipped: ", u"  除外: ") + path + u" (" + note + u")";
    }
    return path;
}

EDropJob ApplyPatchJob(const std::u16string& path, const SDropJobOptions& options, IJobReport& report) {
    const bool ja = options.bJapanese;
    const std::u16string cannot = Localized(ja, u"Cannot apply the patch: ", u"パッチを適用できません: ");
    SLoadedPatch loaded;
    std::u16string error;
    if (!LoadPatchFile(path, ja, loaded, error)) {
        report.Say(cannot + error);
        return EDropJob::Failed;
    }
    CSystemPlatform platform(loaded.patch.nCodePage);
    if (!platform.IsCodePageSupported()) {
        report.Say(cannot + Localized(ja, u"code page not supported here: ", u"このシステムで使えないコードページ: ") +
                   DecimalText(loaded.patch.nCodePage));
        return EDropJob::Failed;
    }
    // Its original, beside it or in the output folder: the name it records
    // first, then any file of the size it records; each checked by size,
    // CRC-32 and SHA-256 (a file met twice is read once).
    const std::u16string name = NameOf(Utf8ToUtf16String(loaded.patch.strBaseName.c_str()));
    const std::u16string who = Localized(ja, u"the patch", u"パッチ");
    std::vector<std::u16string> places;
    if (!name.empty())
        places = {FolderOf(path) + kSystemSeparator + name, options.strOutputFolder + kSystemSeparator + name};
    for (const std::u16string& folder : {FolderOf(path), options.strOutputFolder}) {
        const std::vector<std::u16string> sized = FilesOfSize(folder, loaded.patch.base.nSize);
        places.insert(places.end(), sized.begin(), sized.end());
    }
    std::vector<uint8_t> file;
    std::u16string basePath;
    if (places.empty() || !FindOriginal(places, ExpectedBaseOf(loaded.patch, who), ja, file, basePath, error)) {
        report.Say(cannot + Localized(ja, u"its original ", u"元のファイル ") + name + u" (" +
                   PatchFileIdText(loaded.patch.base, ja) +
                   Localized(ja, u") is neither beside it nor in the output folder: ",
                             u") がパッチの隣にも出力先フォルダにもありません: ") +
                   error);
        return EDropJob::Failed;
    }
    report.Say(Localized(ja, u"Original [", u"元のファイル [") + basePath + u"]");
    if (!report.GoOn())
        return EDropJob::Stopped;
    const SApplyResult applied = ApplyPatch(loaded.patch, loaded.patch.base, file);
    if (applied.eStatus != EApplyStatus::Done) {
        report.Say(cannot + ApplyFailureText(loaded, applied, file, platform, ja));
        return EDropJob::Failed;
    }
    for (const SAppliedChange& change : applied.changes) {
        const std::string word = change.pszChange;
        const EPackChange kind = word == "added"     ? EPackChange::Added
                                 : word == "deleted" ? EPackChange::Deleted
                                                     : EPackChange::Changed;
        report.Say(ChangeLine(kind, PatchEntryText(platform, change.path, change.bTail, ja), u"", ja));
    }
    return WriteResult(platform, options, ModdedName(NameOf(basePath)), file, report);
}

EDropJob RebuildFolderJob(const std::u16string& path, const SDropJobOptions& options, IJobReport& report) {
    const bool ja = options.bJapanese;
    const std::u16string folder = TrimSeparators(path);
    const std::u16string cannot = Localized(ja, u"Cannot rebuild [", u"[") + folder +
                                  Localized(ja, u"]: ", u"] を再構築できません: ");
    std::u16string absolute, error, manifestPath;
    if (!ResolveExistingFolder(folder, absolute)) {
        report.Say(cannot + Localized(ja, u"not a folder", u"フォルダではありません"));
        return EDropJob::Failed;
    }
    SManifest manifest;
    const EFolderManifest loaded = LoadFolderManifest(absolute, ja, manifest, manifestPath, error);
    if (loaded == EFolderManifest::Failed) {
        report.Say(cannot + error);
        return EDropJob::Failed;
    }
    const bool withManifest = loaded == EFolderManifest::Loaded;
    std::vector<uint8_t> base;
    std::u16string basePath;
    CProtectedFiles protectedFiles;
    if (withManifest) {
        if (!FindManifestOriginal(manifest, manifestPath, ja, protectedFiles, base, basePath, error)) {
            report.Say(cannot + Localized(ja, u"the original file is needed: ", u"元のファイルが必要です: ") + error);
            return EDropJob::Failed;
        }
        report.Say(Localized(ja, u"Original [", u"元のファイル [") + basePath + u"]");
    } else {
        report.Say(Localized(ja,
                             u"No rebuild data (FOLDER.vanto.json) beside the folder: it is packed as a new file, "
                             u"entries in name order, each folder a child container NAME.pak.",
                             u"再構築用データ (FOLDER.vanto.json) がフォルダの隣にないため、新しいファイルとして"
                             u"作ります。エントリは名前順、フォルダは子コンテナ NAME.pak になります。"));
    }
    const unsigned codePage = withManifest ? manifest.nCodePage : options.nCodePage;
    CSystemPlatform platform(codePage);
    if (!platform.IsCodePageSupported()) {
        report.Say(cannot + Localized(ja, u"code page not supported here: ", u"このシステムで使えないコードページ: ") +
                   DecimalText(codePage));
        return EDropJob::Failed;
    }
    CStoppableSource source(report);
    if (source.Open(folder) != ESourceResult::Ok) {
        report.Say(cannot + Localized(ja, u"it cannot be opened as a folder (a link is never followed)",
                                      u"フォルダとして開けません (リンクはたどりません)"));
        return EDropJob::Failed;
    }
    const CSkipPatterns skip(DefaultExcludes());
    SPackOptions packOptions;
    packOptions.pSkip = &skip;
    packOptions.bJapanese = ja;
    packOptions.nCodePage = codePage;
    CPacker packer(platform, source, packOptions);
    const SPackResult result =
        withManifest ? packer.PackWithManifest(manifest, base.data(), base.size()) : packer.PackPlain();
    if (source.Stopped())
        return EDropJob::Stopped;

    int32_t counts[3] = {};  // changed, added, deleted
    for (const SPackChange& change : result.changes) {
        report.Say(ChangeLine(change.eChange, change.strPath, change.strNote, ja));
        if (change.eChange == EPackChange::Changed || change.eChange == EPackChange::Added ||
            change.eChange == EPackChange::Deleted)
            ++counts[int(change.eChange)];
    }
    for (const SPackProblem& refusal : result.refusals)
        report.Say(Localized(ja, u"Refused [", u"拒否 [") + (refusal.strPath.empty() ? folder : folder + kSystemSeparator + SystemPath(refusal.strPath)) +
                   u"]: " + refusal.strMessage);
    if (result.eStatus != EPackStatus::Done) {
        report.Say(cannot + (result.eStatus == EPackStatus::Refused
                                 ? DecimalText(int64_t(result.refusals.size())) +
                                       Localized(ja, u" refused, each said above", u" 件を拒否しました (上記のとおり)")
                                 : (result.strPath.empty() ? u"" : result.strPath + u": ") + result.strMessage));
        return EDropJob::Failed;
    }
    // Read back: the file must extract to the folder; an untouched folder
    // must give the original byte for byte.
    std::vector<std::u16string> differences = VerifyPacked(platform, source, result);
    const bool unchanged = withManifest && counts[0] + counts[1] + counts[2] == 0;
    if (unchanged && result.bytes != base)
        differences.push_back(Localized(ja, u"the folder is unchanged, but the bytes differ from the original",
                                        u"フォルダは変更されていませんが、元のファイルとバイト列が異なります"));
    if (source.Stopped())
        return EDropJob::Stopped;
    for (const std::u16string& difference : differences)
        report.Say(cannot + Localized(ja, u"read back: ", u"読み戻し: ") + difference);
    if (!differences.empty())
        return EDropJob::Failed;
    std::u16string summary = DecimalText(counts[0]) + Localized(ja, u" changed, ", u" 件変更、") +
                             DecimalText(counts[1]) + Localized(ja, u" added, ", u" 件追加、") + DecimalText(counts[2]) +
                             Localized(ja, u" deleted", u" 件削除");
    if (unchanged)
        summary += Localized(ja, u"; identical to the original", u"。元のファイルと同一です");
    report.Say(summary + Localized(ja, u"; read back as the folder.", u"。読み戻してフォルダと一致しました。"));
    return WriteResult(platform, options, NameOf(absolute) + RebuiltFileSuffix(withManifest ? &manifest : nullptr),
                       result.bytes, report);
}

}  // namespace

bool IsDropJob(const std::u16string& path) {
    return PathItemAt(TrimSeparators(path)).eKind == EPathKind::Folder || EndsWithNoCase(path, u".vpatch");
}

EDropJob DoDropJob(const std::u16string& path, const SDropJobOptions& options, IJobReport& report) {
    if (PathItemAt(TrimSeparators(path)).eKind == EPathKind::Folder)
        return RebuildFolderJob(path, options, report);
    if (EndsWithNoCase(path, u".vpatch"))
        return ApplyPatchJob(path, options, report);
    return EDropJob::NotMine;
}

bool WriteUnderFreeName(IPlatform& platform, const std::u16string& name, const std::vector<uint8_t>& bytes,
                        std::u16string& written) {
    const size_t dot = name.find_last_of(u'.');
    const bool hasExtension = dot != std::u16string::npos && dot > 0;
    const std::u16string stem = hasExtension ? name.substr(0, dot) : name;
    const std::u16string extension = hasExtension ? name.substr(dot) : u"";
    for (int n = 1; n <= 9999; ++n) {
        written = n == 1 ? name : stem + u" (" + DecimalText(n) + u")" + extension;
        const EWriteResult result = platform.WriteNewFile(written.c_str(), bytes.data(), bytes.size());
        if (result != EWriteResult::Exists)
            return result == EWriteResult::Written;
    }
    return false;
}
