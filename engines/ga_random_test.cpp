// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_random.h"

#include <cstddef>
#include <random>

#include <gtest/gtest.h>

namespace {

TEST(GaRandomTest, ScaleIndexIsTheProductTruncated) {
  const struct {
    std::size_t n;
    int r;
    std::size_t index;
  } cases[] = {
      {1, 2147483647, 0},
      {2, 1073741823, 0},
      {2, 1073741824, 1},
      {3, 715827882, 0},
      {3, 715827883, 1},
      {10, 2147483647, 9},
      {10, 0, 0},
      {1000, 2147483, 0},
      {1000, 2147484, 1},
      {2147483648u, 2147483647, 2147483647},
      {7, 1840700269, 5},
      {7, 1840700270, 6},
      // Just past 2^22 items the product n * r can pass 2^53, where a
      // double holds only even numbers: n * r = 4195952 * 2^31 - 1 rounds
      // up to the next multiple of 2^31. The index is that of the double
      // product, one more than the integer quotient.
      {4196911, 2146992945, 4195952},
      {4200543, 2144320609, 4194356},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScaleIndex(c.n, c.r), c.index) << c.n << " " << c.r;
  }
}

// The index is computed in integers where that is exact; it must agree with
// the double product everywhere, the edges of both ranges included.
TEST(GaRandomTest, ScaleIndexAgreesWithTheDoubleProduct) {
  auto by_doubles = [](std::size_t n, int r) {
    return static_cast<std::size_t>(static_cast<double>(n) *
                                    static_cast<double>(r) *
                                    4.656612873077393e-10);
  };
  std::mt19937_64 random(5);
  const std::size_t ns[] = {
      1, 2, 3, 1000, (1u << 22) - 1, 1u << 22, (1u << 22) + 1, 123456789};
  for (std::size_t n : ns) {
    for (int r : {0, 1, 2147483646, 2147483647}) {
      EXPECT_EQ(ScaleIndex(n, r), by_doubles(n, r)) << n << " " << r;
    }
  }
  for (int k = 0; k < 100000; ++k) {
    const std::size_t n = 1 + random() % (std::size_t{1} << 23);
    const int r = static_cast<int>(random() % 2147483648u);
    ASSERT_EQ(ScaleIndex(n, r), by_doubles(n, r)) << n << " " << r;
  }
}

TEST(GaRandomTest, ChanceHitWidensTheFloat) {
  const struct {
    float p;
    int r;
    bool hit;
  } cases[] = {
      {0.5f, 1073741823, true},
      {0.5f, 1073741824, false},
      // 0.1f is 0.10000000149..., so a value just above 0.1 still hits.
      {0.1f, 214748367, true},
      {0.1f, 214748368, false},
      {0.95f, 2040109439, true},
      // 0.95f is 0.94999998..., so a value just below 0.95 misses.
      {0.95f, 2040109440, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChanceHit(c.p, c.r), c.hit) << c.p << " " << c.r;
  }
}

TEST(GaRandomTest, CertainChancesDrawNothing) {
  const struct {
    float p;
    bool result;
  } cases[] = {{0.0f, false}, {-1.0f, false}, {1.0f, true}, {2.0f, true}};
  const int first = EngineDraws(99).Draw();
  for (const auto& c : cases) {
    EngineDraws draws(99);
    EXPECT_EQ(draws.Chance(c.p), c.result) << c.p;
    EXPECT_EQ(draws.Draw(), first) << c.p;
  }
  EngineDraws draws(99);
  draws.Chance(0.5f);
  EXPECT_NE(draws.Draw(), first);
}

TEST(GaRandomTest, OtherIndexDiffers) {
  for (unsigned seed = 0; seed < 200; ++seed) {
    EngineDraws draws(seed);
    EXPECT_EQ(draws.OtherIndex(0, 1, 0), 1u);
    EXPECT_EQ(draws.OtherIndex(0, 1, 1), 0u);
    const std::size_t x = draws.OtherIndex(3, 9, 5);
    EXPECT_TRUE(x >= 3 && x <= 9 && x != 5) << x;
    // A range of one position has no other index inside it.
    EXPECT_EQ(draws.OtherIndex(4, 4, 4), 5u);
  }
}

}  // namespace
