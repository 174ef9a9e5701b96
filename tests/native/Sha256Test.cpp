// SHA-256 as the system computes it (nettle here; the Wine tests check CNG
// on the same vectors).
#include <gtest/gtest.h>

#include "tests/fixtures/Sha256Vectors.h"

namespace {

TEST(Sha256, GivesTheDigestsOfTheStandardVectors) {
    EXPECT_EQ(Sha256VectorFailures(), std::vector<std::string>());
}

}  // namespace
