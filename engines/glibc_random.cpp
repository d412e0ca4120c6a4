// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/glibc_random.h"

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
