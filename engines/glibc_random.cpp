// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/glibc_random.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Values thrown away after seeding, ten per word of state, so that the
// first value returned no longer shows the seed.
constexpr int kDiscarded = 310;
// The distance of the recurrence's nearer tap.
constexpr int kLag = 3;

}  // namespace

void GlibcRandom::Seed(std::uint32_t seed) {
  if (seed == 0) seed = 1;
  // The C library fills its state by x = 16807 x mod (2^31 - 1) from the
  // seed read as a signed 32-bit number, in Schrage's way so that nothing
  // overflows (a seed of 2^31 or more gives what that arithmetic gives).
  std::uint32_t state[kWords];
  std::int32_t word = static_cast<std::int32_t>(seed);
  state[0] = seed;
  for (int i = 1; i < kWords; ++i) {
    const std::int32_t hi = word / 127773;
    const std::int32_t lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += kMax;
    state[i] = static_cast<std::uint32_t>(word);
  }
  // It then writes its first value over state[kLag], adding state[0]: read
  // as a sequence, its oldest word is state[kLag] and its newest state[kLag
  // - 1].
  for (int i = 0; i < kWords; ++i) {
    words_[kBatch + i] = state[(kLag + i) % kWords];
  }
  next_ = kWords + kBatch;
  for (int i = 0; i < kDiscarded; ++i) Next();
}

void GlibcRandom::Refill() {
  std::memcpy(words_, words_ + kBatch, kWords * sizeof words_[0]);
  // The words three apart form three chains, each adding one older word per
  // step; running them side by side in registers keeps every chain from
  // waiting on the word it has just stored.
  static_assert(kBatch % kLag == 0, "whole steps of the three chains");
  std::uint32_t a = words_[kWords - 3];
  std::uint32_t b = words_[kWords - 2];
  std::uint32_t c = words_[kWords - 1];
  for (int i = kWords; i < kWords + kBatch; i += kLag) {
    a += words_[i - kWords];
    b += words_[i + 1 - kWords];
    c += words_[i + 2 - kWords];
    words_[i] = a;
    words_[i + 1] = b;
    words_[i + 2] = c;
  }
  next_ = kWords;
}

// ---- Leaps -----------------------------------------------------------------
//
// Word r[i] is a fixed linear combination, in 32-bit arithmetic, of any 31
// consecutive words before it. With the words r[m-31], ..., r[m-1] standing
// for 1, x, ..., x^30, the word r[m-31+k] stands for x^k reduced modulo the
// recurrence's polynomial x^31 - x^28 - 1 (x^31 is replaced by x^28 + 1,
// which is r[i] = r[i-3] + r[i-31]). A leap of n words works out x^n
// reduced, then the 31 words it and the next powers stand for.

namespace {

using Poly = std::array<std::uint32_t, 31>;

// a * b reduced, every coefficient modulo 2^32 as the words are.
Poly Times(const Poly& a, const Poly& b) {
  std::uint32_t product[61] = {};
  for (int i = 0; i < 31; ++i) {
    for (int j = 0; j < 31; ++j) product[i + j] += a[i] * b[j];
  }
  // From the top down, so that a term brought below x^31 is reduced once.
  for (int d = 60; d >= 31; --d) {
    product[d - 3] += product[d];
    product[d - 31] += product[d];
  }
  Poly reduced;
  std::copy(product, product + 31, reduced.begin());
  return reduced;
}

// x * a reduced.
void TimesX(Poly& a) {
  const std::uint32_t top = a[30];
  std::copy_backward(a.begin(), a.end() - 1, a.end());
  a[0] = top;
  a[28] += top;
}

// x^(d * 16^level) reduced, for every hexadecimal digit d of a 64-bit count:
// a leap multiplies one per nonzero digit.
struct LeapTable {
  static constexpr int kLevels = 16;
  Poly power[kLevels][16];

  LeapTable() {
    Poly x{};
    x[1] = 1;
    for (int level = 0; level < kLevels; ++level) {
      power[level][0] = Poly{};
      power[level][0][0] = 1;
      power[level][1] = x;
      for (int d = 2; d < 16; ++d)
        power[level][d] = Times(power[level][d - 1], x);
      x = Times(power[level][15], x);  // x^(16^(level + 1)).
    }
  }
};

const LeapTable& Leaps() {
  static const LeapTable table;
  return table;
}

}  // namespace

void GlibcRandom::Leap(std::uint64_t count) {
  const LeapTable& table = Leaps();
  Poly power{};
  power[0] = 1;
  for (int level = 0; count != 0; ++level, count >>= 4) {
    const unsigned digit = count & 15;
    if (digit != 0) power = Times(power, table.power[level][digit]);
  }
  std::uint32_t* window = words_ + kBatch;
  std::uint32_t leapt[kWords];
  for (int k = 0; k < kWords; ++k) {
    std::uint32_t word = 0;
    for (int j = 0; j < kWords; ++j) word += power[j] * window[j];
    leapt[k] = word;
    TimesX(power);
  }
  std::memcpy(window, leapt, sizeof leapt);
}
