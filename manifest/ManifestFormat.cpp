#include "manifest/ManifestFormat.h"

#include <zlib.h>

namespace {

const struct {
    const char* pszWord;
    EManifestKind eKind;
} kKinds[] = {{"child", EManifestKind::Child},
              {"stored", EManifestKind::Stored},
              {"gzip", EManifestKind::Gzip},
              {"gzip-failed", EManifestKind::GzipFailed},
              {"damaged", EManifestKind::Damaged}};

}  // namespace

uint32_t ManifestCrc32(const uint8_t* bytes, size_t count) {
    return uint32_t(crc32_z(crc32_z(0, nullptr, 0), bytes, count));
}

const char* ManifestKindWord(EManifestKind kind) {
    for (const auto& known : kKinds) {
        if (known.eKind == kind)
            return known.pszWord;
    }
    return "stored";
}

bool ParseManifestKind(const std::string& word, EManifestKind& kind) {
    for (const auto& known : kKinds) {
        if (word == known.pszWord) {
            kind = known.eKind;
            return true;
        }
    }
    return false;
}
