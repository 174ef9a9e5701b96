// SHA-256 as the system computes it (nettle here; the Wine tests check CNG
// on the same vectors).
#include <gtest/gtest.h>

#include "platform/Sha256.h"
#include "tests/fixtures/Sha256Vectors.h"

namespace {

TEST(Sha256, GivesTheDigestsOfTheStandardVectors) {
    for (const SSha256Vector& vector : Sha256Vectors()) {
        SCOPED_TRACE(vector.input.substr(0, 20));
        SSha256 digest;
        ASSERT_TRUE(Sha256Of(reinterpret_cast<const uint8_t*>(vector.input.data()), vector.input.size(), digest));
        EXPECT_EQ(HexOf(digest.bytes, kSha256Size), vector.pszDigest);
    }
}

}  // namespace
