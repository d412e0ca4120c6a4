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

// Long skips leap over the words instead of making them: the value after
// every skip length, short and long, from every place in a batch of words,
// must be the one that drawing gives.
TEST(GlibcRandomTest, LongSkipsLandWhereDrawingDoes) {
  constexpr std::uint64_t kCounts[] = {1023,   1024,   4095,   4096,
                                       4097,   20000,  65535,  65536,
                                       123457, 999999, 2097151};
  for (std::uint32_t seed : kSeeds) {
    GlibcRandom skipping(seed);
    GlibcRandom drawing(seed);
    int step = 0;
    for (std::uint64_t count : kCounts) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ", skip " +
                   std::to_string(count));
      skipping.Skip(count);
      for (std::uint64_t k = 0; k < count; ++k) drawing.Next();
      // A few values after each, and a draw more each time, so that the
      // skips start from different places in a batch.
      for (int k = 0; k <= 40 + step; ++k) {
        ASSERT_EQ(skipping.Next(), drawing.Next()) << "value " << k;
      }
      ++step;
    }
  }
}

// Skips too long to check by drawing: one skip lands where two halves do.
TEST(GlibcRandomTest, HugeSkipsAddUp) {
  constexpr std::uint64_t kHalves[] = {
      std::uint64_t{1} << 32, 0x123456789abcdefull, 0x3fffffffffffffffull};
  for (std::uint64_t half : kHalves) {
    SCOPED_TRACE("half " + std::to_string(half));
    GlibcRandom once(3);
    GlibcRandom twice(3);
    once.Skip(2 * half + 5);
    twice.Skip(half);
    for (int k = 0; k < 5; ++k) twice.Next();
    twice.Skip(half);
    for (int k = 0; k < 100; ++k) ASSERT_EQ(once.Next(), twice.Next());
  }
}

}  // namespace
