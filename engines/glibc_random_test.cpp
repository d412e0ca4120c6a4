// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/glibc_random.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

// Seeds that cover the special case 0, the default 1, the largest seed
// (negative when read as a signed word) and a clock reading.
constexpr std::uint32_t kSeeds[] = {0, 1, 4294967295u, 1765400000u};
constexpr int kDraws = 1000000;

TEST(GlibcRandomTest, SameSequenceAsTheCLibrary) {
#ifdef __GLIBC__
  for (std::uint32_t seed : kSeeds) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::srand(seed);
    GlibcRandom generator(seed);
    int draw = 0;
    while (draw < kDraws && generator.Next() == std::rand()) ++draw;
    EXPECT_EQ(draw, kDraws) << "first difference at draw " << draw;
  }
#else
  GTEST_SKIP() << "the C library is not the GNU one, whose rand() sequence "
                  "this generator reproduces";
#endif
}

// Fixed values of the GNU sequence, checked on every system.
TEST(GlibcRandomTest, KnownFirstValues) {
  GlibcRandom generator(1);
  EXPECT_EQ(generator.Next(), 1804289383);
  EXPECT_EQ(generator.Next(), 846930886);
  EXPECT_EQ(generator.Next(), 1681692777);
}

TEST(GlibcRandomTest, SeedRestartsTheSequence) {
  GlibcRandom generator(4294967295u);
  const std::int32_t first = generator.Next();
  for (int k = 0; k < 100; ++k) generator.Next();
  generator.Seed(4294967295u);
  EXPECT_EQ(generator.Next(), first);
  // Seed 0 is taken as 1.
  GlibcRandom zero(0);
  GlibcRandom one(1);
  for (int k = 0; k < 100; ++k) ASSERT_EQ(zero.Next(), one.Next());
}

TEST(GlibcRandomTest, SkipPassesOverValues) {
  GlibcRandom skipping(7);
  GlibcRandom drawing(7);
  // Steps of several lengths, so that skips cross the ends of batches.
  for (int step = 0; step < 5000; ++step) {
    const int count = step % 5;
    skipping.Skip(count);
    for (int k = 0; k < count; ++k) drawing.Next();
    ASSERT_EQ(skipping.Next(), drawing.Next()) << "step " << step;
  }
}

}  // namespace
