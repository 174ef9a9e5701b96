#include <nettle/sha2.h>

#include <cstring>

#include "platform/Sha256.h"

bool SSha256::operator==(const SSha256& other) const { return std::memcmp(bytes, other.bytes, kSha256Size) == 0; }

bool Sha256Of(const uint8_t* data, size_t size, SSha256& digest) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, size, data);
    sha256_digest(&context, kSha256Size, digest.bytes);
    return true;
}
