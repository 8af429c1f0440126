// The loader under a seeded mutation loop: files cut and mutated from valid records of every
// version, most with their checksum fixed so the field checks are reached. No decode may
// crash, touch the record on rejection, or accept something that cannot be saved again.
#include "dev/profile_checks.h"

#include <gtest/gtest.h>

TEST(ProfileFuzz, MutatedFilesDecodeSoundly)
{
    const uint32_t seeds[] = {1u, 0x51EDu, 2463534242u};
    for (uint32_t seed : seeds) {
        DevFuzzReport report = DevFuzzProfile(500000, seed);
        EXPECT_EQ(report.runs, 500000) << seed;
        EXPECT_EQ(report.failures, 0) << seed;
        // Both sides of the decoder are exercised: many files pass, most do not.
        EXPECT_GT(report.accepted, report.runs / 50) << seed;
        EXPECT_LT(report.accepted, report.runs / 2) << seed;
    }
}

TEST(ProfileFuzz, RunsReproduceFromTheirSeed)
{
    DevFuzzReport a = DevFuzzProfile(20000, 99), b = DevFuzzProfile(20000, 99);
    EXPECT_EQ(a.accepted, b.accepted);
}
