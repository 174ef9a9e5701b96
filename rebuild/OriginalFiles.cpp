#include "rebuild/OriginalFiles.h"

#include <algorithm>

#include "console/ToolFiles.h"
#include "manifest/ManifestFormat.h"
#include "pack/Packer.h"
#include "rebuild/Localized.h"
#include "patch/PatchFormat.h"
#include "base/Utf.h"

namespace {

size_t LastSeparator(const std::u16string& path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSystemSeparator(path[i - 1]))
            return i - 1;
    }
    return std::u16string::npos;
}

std::u16string FileText(bool japanese, int64_t size, uint32_t crc, const SSha256* digest) {
    std::u16string text = DecimalText(size) + Localized(japanese, u" bytes, CRC-32 ", u" バイト、CRC-32 ") +
                          DecimalText(crc);
    if (digest)
        text += u", SHA-256 " + Utf8ToUtf16String(DigestText(*digest).c_str());
    return text;
}

}  // namespace

std::u16string FolderOf(const std::u16string& path) {
    const size_t separator = LastSeparator(path);
    return separator == std::u16string::npos ? u"." : separator == 0 ? path.substr(0, 1) : path.substr(0, separator);
}

std::u16string NameOf(const std::u16string& path) {
    const size_t separator = LastSeparator(path);
    return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

std::u16string ModdedName(const std::u16string& name) {
    const size_t dot = name.find_last_of(u'.');
    if (dot == std::u16string::npos || dot == 0)
        return name + u".mod.god";
    return name.substr(0, dot) + u".mod" + name.substr(dot);
}

bool ReadOriginal(const std::u16string& path, const SExpectedFile& expected, bool japanese,
                  std::vector<uint8_t>& bytes, std::u16string& why) {
    const EFileRead read = ReadFileAt(path, bytes, true);
    if (read == EFileRead::Missing) {
        why = path + Localized(japanese, u": not found", u": 見つかりません");
        return false;
    }
    if (read != EFileRead::Ok) {
        why = path + Localized(japanese, u": cannot be read (no regular file, or no permission)",
                               u": 読み込めません (通常のファイルでないか、権限がありません)");
        return false;
    }
    const uint32_t crc = ManifestCrc32(bytes.data(), bytes.size());
    SSha256 digest;
    if (expected.pDigest)
        Sha256Of(bytes.data(), bytes.size(), digest);
    if (int64_t(bytes.size()) == expected.nSize && crc == expected.nCrc &&
        (!expected.pDigest || digest == *expected.pDigest))
        return true;
    why = path + Localized(japanese, u": does not match ", u": ") + expected.pszWho +
          Localized(japanese, u": ", u" と一致しません: ") +
          FileText(japanese, int64_t(bytes.size()), crc, expected.pDigest ? &digest : nullptr) +
          Localized(japanese, u" found, ", u" (実際)、") +
          FileText(japanese, expected.nSize, expected.nCrc, expected.pDigest) +
          Localized(japanese, u" recorded", u" (記録)");
    return false;
}

bool FindOriginal(const std::vector<std::u16string>& paths, const SExpectedFile& expected, bool japanese,
                  std::vector<uint8_t>& bytes, std::u16string& found, std::u16string& why) {
    std::vector<SFileIdentity> tried;
    why.clear();
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::u16string& path = paths[i];
        SFileIdentity identity;
        const bool there = FileIdentityAt(path, identity);
        bool again = std::find(paths.begin(), paths.begin() + i, path) != paths.begin() + i;
        for (const SFileIdentity& seen : tried)
            again = again || (there && seen == identity);
        if (path.empty() || again)
            continue;
        if (there)
            tried.push_back(identity);
        std::u16string line;
        if (ReadOriginal(path, expected, japanese, bytes, line)) {
            found = path;
            return true;
        }
        why += (why.empty() ? u"" : u"; ") + line;
    }
    return false;
}

void CProtectedFiles::Add(const std::u16string& path, EKind kind) {
    if (!path.empty())
        m_files.emplace_back(path, kind);
}

bool CProtectedFiles::Match(const std::u16string& output, EKind& kind) const {
    SFileIdentity out;
    if (!FileIdentityAt(output, out))
        return false;
    for (const auto& [path, what] : m_files) {
        SFileIdentity identity;
        if (FileIdentityAt(path, identity) && identity == out) {
            kind = what;
            return true;
        }
    }
    return false;
}

