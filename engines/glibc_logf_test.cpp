// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/glibc_logf.h"

#include <cmath>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace {

// Calls f with every float value that static_cast<float>(n) + 1.0f takes
// for n from 0 to kMaxItems, each once, in increasing order: the arguments
// of the logarithm behind the automatic population size and generation
// count. Up to 2^24 they are the whole numbers 1 to 2^24; above, float(n)
// runs through every float up to kMaxItems, and adding 1 rounds each.
constexpr float kMaxItems = 1e8f;  // Exactly 10^8.

template <typename F>
void ForEachCountArgument(F f) {
  constexpr std::uint32_t kExact = std::uint32_t{1} << 24;
  for (std::uint32_t n = 0; n < kExact; ++n) f(static_cast<float>(n) + 1.0f);
  float last = 0;
  for (float n = static_cast<float>(kExact); n <= kMaxItems;
       n = std::nextafter(n, 2 * kMaxItems)) {
    const float x = n + 1.0f;
    if (x != last) f(x);
    last = x;
  }
}

TEST(GlibcLogfTest, SameValuesAsTheCLibraryForEveryItemCount) {
#ifdef __GLIBC__
  // The counts as the program computed them with the C library's logf().
  auto count = [](float factor, float log) {
    return static_cast<std::uint32_t>(factor * log);
  };
  long checked = 0, different = 0, counts_different = 0;
  float first = 0;
  ForEachCountArgument([&](float x) {
    ++checked;
    const float expected = ::logf(x);
    const float actual = GlibcLogf(x);
    if (actual != expected) {
      if (different++ == 0) first = x;
    }
    for (float factor : {20.0f, 50.0f}) {
      if (count(factor, actual) != count(factor, expected)) ++counts_different;
    }
  });
  EXPECT_EQ(different, 0) << "first difference at x = " << first;
  EXPECT_EQ(counts_different, 0);
  // 2^24 whole numbers and the distinct roundings above them.
  EXPECT_EQ(checked, 33471521);
#else
  GTEST_SKIP() << "the C library is not the GNU one, whose logf() this "
                  "function reproduces";
#endif
}

// Fixed values of glibc's logf(), checked on every system. At 1579, 3100 and
// 12014 the correctly rounded logarithm (and the double-precision one
// rounded to float) is the neighbouring float.
TEST(GlibcLogfTest, KnownValues) {
  EXPECT_EQ(GlibcLogf(1.0f), 0.0f);
  EXPECT_FALSE(std::signbit(GlibcLogf(1.0f)));
  EXPECT_EQ(GlibcLogf(2.0f), 0x1.62e43p-1f);
  EXPECT_EQ(GlibcLogf(1579.0f), 0x1.d754bcp+2f);
  EXPECT_EQ(GlibcLogf(3100.0f), 0x1.0140c8p+3f);
  EXPECT_EQ(GlibcLogf(12014.0f), 0x1.2c9a3cp+3f);
  EXPECT_EQ(GlibcLogf(1e8f + 1.0f), 0x1.26bb1cp+4f);
}

// The counts of a few inputs, as the program has always computed them.
TEST(GlibcLogfTest, AutomaticCounts) {
  struct Case {
    float n_plus_1;
    std::uint32_t population, generations;
  };
  for (const Case& c :
       {Case{2, 13, 34}, Case{121, 95, 239}, Case{251, 110, 276},
        Case{92967, 228, 572}, Case{1e8f + 1.0f, 368, 921}}) {
    SCOPED_TRACE("n + 1 = " + std::to_string(c.n_plus_1));
    EXPECT_EQ(static_cast<std::uint32_t>(20.0f * GlibcLogf(c.n_plus_1)),
              c.population);
    EXPECT_EQ(static_cast<std::uint32_t>(50.0f * GlibcLogf(c.n_plus_1)),
              c.generations);
  }
}

}  // namespace
