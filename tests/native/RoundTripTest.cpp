// The way back as a property: every test file, extracted with a manifest and
// packed again, gives the very same bytes; and with one of its written files
// changed, the packed file extracts to exactly the changed tree.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/RoundTrip.h"
#include "tests/fixtures/FuzzSeeds.h"

namespace {

TEST(RoundTrip, EveryTestFileComesBackByteForByte) {
    // The fuzzers' seeds: the sample file, nesting, every naming rule, damage,
    // and every problem the listing flags.
    for (const auto& seed : MakeFuzzSeeds()) {
        SCOPED_TRACE(seed.first);
        std::string why;
        EXPECT_TRUE(PacksBackIdentically(seed.second, why)) << why;
        // Every written file in turn given new text.
        int packed = 0;
        for (unsigned pick = 0; pick < 12; ++pick) {
            const std::vector<uint8_t> text(1 + pick * 7, uint8_t('a' + pick));
            bool refused = false;
            EXPECT_TRUE(PacksChangesFaithfully(seed.second, pick, text, refused, why)) << pick << ": " << why;
            packed += !refused;
        }
        EXPECT_GT(packed, 0) << "some change is packed, not all refused";
    }
}

}  // namespace
