#include "rebuild/PatchFiles.h"

#include "console/ToolFiles.h"
#include "pack/Packer.h"
#include "platform/Platform.h"
#include "rebuild/Localized.h"
#include "base/Utf.h"

std::u16string PatchEntryText(IPlatform& platform, const std::vector<std::vector<uint8_t>>& names, bool tail,
                         bool japanese) {
    std::u16string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (tail && i + 1 == names.size())
            break;
        char16_t name[kPathCapacity];
        platform.DecodeName(names[i].data(), names[i].size(), name, kPathCapacity);
        text += (text.empty() ? u"" : u"/") + std::u16string(name);
    }
    if (tail)
        text += (text.empty() ? u"" : u"/") +
                Localized(japanese, u"(the bytes after the last entry)", u"(最後のエントリの後のバイト列)");
    return text;
}

std::u16string PatchFileIdText(const SPatchFileId& id, bool japanese) {
    return DecimalText(id.nSize) + Localized(japanese, u" bytes, CRC-32 ", u" バイト、CRC-32 ") + DecimalText(id.nCrc) +
           u", SHA-256 " + Utf8ToUtf16String(DigestText(id.digest).c_str());
}

bool LoadPatchFile(const std::u16string& path, bool japanese, SLoadedPatch& loaded, std::u16string& error) {
    std::vector<uint8_t> bytes;
    const EFileRead read = ReadFileAt(path, bytes, true);
    if (read != EFileRead::Ok) {
        error = path + (read == EFileRead::Missing ? Localized(japanese, u": not found", u": 見つかりません")
                                                   : Localized(japanese, u": cannot be read", u": 読み込めません"));
        return false;
    }
    loaded.strPath = path;
    std::string why;
    if (!ReadPatch(bytes.data(), bytes.size(), loaded.patch, why)) {
        error = path + u": " + Utf8ToUtf16String(why.c_str());
        return false;
    }
    return true;
}

SExpectedFile ExpectedBaseOf(const SPatch& patch, const std::u16string& who) {
    SExpectedFile expected;
    expected.nSize = patch.base.nSize;
    expected.nCrc = patch.base.nCrc;
    expected.pDigest = &patch.base.digest;
    expected.pszWho = who.c_str();
    return expected;
}

std::u16string ApplyFailureText(const SLoadedPatch& loaded, const SApplyResult& applied, const std::vector<uint8_t>& file,
                                IPlatform& platform, bool japanese) {
    const std::u16string why = Utf8ToUtf16String(applied.strWhy.c_str());
    switch (applied.eStatus) {
    case EApplyStatus::OtherBase: {
        SPatchFileId found;
        IdentifyFile(file.data(), file.size(), found);
        return loaded.strPath +
               Localized(japanese, u": made for another file: it expects ", u": 別のファイル用のパッチです: 期待値 ") +
               PatchFileIdText(loaded.patch.base, japanese) +
               Localized(japanese, u"; the file it would apply to has ", u"、当てる先のファイル ") +
               PatchFileIdText(found, japanese);
    }
    case EApplyStatus::Conflict:
        return loaded.strPath + Localized(japanese, u": conflict at the entry ", u": エントリの競合 ") +
               PatchEntryText(platform, applied.entry, applied.entry.back().empty(), japanese) + u": " + why;
    default: break;
    }
    return loaded.strPath + Localized(japanese, u": the patch is damaged: ", u": パッチが壊れています: ") + why;
}

