#include <windows.h>

#include <bcrypt.h>

#include <cstring>

#include "platform/Sha256.h"

bool SSha256::operator==(const SSha256& other) const { return std::memcmp(bytes, other.bytes, kSha256Size) == 0; }

// CNG's provider, hash object and calls as Windows 7 has them (BCryptHash
// alone needs Windows 10). ULONG lengths: large blocks go in pieces.
bool Sha256Of(const uint8_t* data, size_t size, SSha256& digest) {
    digest = SSha256();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    constexpr size_t kPiece = 1u << 30;
    for (size_t done = 0; ok && done < size; done += kPiece) {
        const ULONG piece = ULONG(size - done < kPiece ? size - done : kPiece);
        ok = BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(data + done), piece, 0));
    }
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.bytes, ULONG(kSha256Size), 0));
    if (hash)
        BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok)
        digest = SSha256();
    return ok;
}
