#include "rebuild/FolderManifest.h"

#include "base/Text.h"
#include "console/ToolFiles.h"
#include "rebuild/Localized.h"

EFolderManifest LoadFolderManifest(const std::u16string& absoluteFolder, bool japanese, SManifest& manifest,
                                   std::u16string& manifestPath, std::u16string& error) {
    manifestPath = absoluteFolder + u".vanto.json";
    if (PathItemAt(manifestPath).eKind == EPathKind::None)
        return EFolderManifest::None;
    std::vector<uint8_t> text;
    if (!ReadWholeFileAt(manifestPath, text)) {
        error = manifestPath + Localized(japanese, u": cannot be read", u": 読み込めません");
        return EFolderManifest::Failed;
    }
    std::u16string why;
    if (!ReadManifest(std::string(text.begin(), text.end()), manifest, why)) {
        error = manifestPath + u": " + why;
        return EFolderManifest::Failed;
    }
    return EFolderManifest::Loaded;
}

SExpectedFile ExpectedOriginalOf(const SManifest& manifest, const std::u16string& who) {
    SExpectedFile expected;
    expected.nSize = manifest.nSourceSize;
    expected.nCrc = manifest.nSourceCrc;
    expected.pszWho = who.c_str();
    return expected;
}

std::vector<std::u16string> OriginalPlacesOf(const SManifest& manifest, const std::u16string& manifestPath) {
    return {manifest.strSourcePath, FolderOf(manifestPath) + kSystemSeparator + NameOf(manifest.strSourceName)};
}

bool FindManifestOriginal(const SManifest& manifest, const std::u16string& manifestPath, bool japanese,
                          CProtectedFiles& protectedFiles, std::vector<uint8_t>& base, std::u16string& basePath,
                          std::u16string& error) {
    const std::vector<std::u16string> places = OriginalPlacesOf(manifest, manifestPath);
    for (const std::u16string& place : places)
        protectedFiles.Add(place, CProtectedFiles::EKind::Original);
    const std::u16string who = Localized(japanese, u"the manifest", u"マニフェスト");
    return FindOriginal(places, ExpectedOriginalOf(manifest, who), japanese, base, basePath, error);
}

std::u16string RebuiltFileSuffix(const SManifest* manifest) {
    if (!manifest)
        return u".god";
    const std::u16string source = NameOf(manifest->strSourceName);
    const size_t dot = source.find_last_of(u'.');
    return u".mod" + (dot == std::u16string::npos || dot == 0 ? std::u16string(u".god") : source.substr(dot));
}
