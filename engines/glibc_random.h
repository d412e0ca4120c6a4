// SPDX-License-Identifier: GPL-3.0-or-later
// A pseudo-random generator that gives, seed for seed and value for value,
// the sequence of the GNU C library's srand()/rand() with their default state
// of 31 words (an additive feedback generator). Carrying it inside the
// program makes a seed give the same sequence on every system, and a draw
// costs a few instructions instead of a call that takes and releases a lock.
#ifndef QUARRIMEL_ENGINES_GLIBC_RANDOM_H_
#define QUARRIMEL_ENGINES_GLIBC_RANDOM_H_

#include <cstdint>

class GlibcRandom {
 public:
  // The largest value Next() returns.
  static constexpr std::int32_t kMax = 2147483647;

  // Seeded as srand(1) seeds the C library's generator.
  GlibcRandom() { Seed(1); }
  explicit GlibcRandom(std::uint32_t seed) { Seed(seed); }

  // Restarts the sequence as srand(seed) does; seed 0 counts as 1.
  void Seed(std::uint32_t seed);

  // The next value, 0..kMax, as the next call of rand() would return it.
  std::int32_t Next() {
    if (next_ == kWords + kBatch) Refill();
    // The lowest bit, the least random, is dropped.
    return static_cast<std::int32_t>(words_[next_++] >> 1);
  }

  // Passes over the next `count` values, as `count` calls of Next() would.
  void Skip(std::uint64_t count) {
    const auto made = static_cast<std::uint64_t>(kWords + kBatch - next_);
    if (count >= made + kLeapFrom) {
      next_ = kWords + kBatch;
      Leap(count - made);
      return;
    }
    // Whole batches are made and passed over.
    while (count > static_cast<std::uint64_t>(kWords + kBatch - next_)) {
      count -= static_cast<std::uint64_t>(kWords + kBatch - next_);
      next_ = kWords + kBatch;
      Refill();
    }
    next_ += static_cast<int>(count);
  }

 private:
  static constexpr int kWords = 31;    // The degree of the recurrence.
  static constexpr int kBatch = 1023;  // Words made per refill.
  // From this many words on, a skip leaps instead of making them: a leap
  // costs about as much as making this many.
  static constexpr std::uint64_t kLeapFrom = 16384;

  // Moves the last kWords words to the front and makes the next kBatch.
  void Refill();
  // Replaces the last kWords words made, which Next() has all returned, by
  // the kWords words `count` further on, without making those between.
  void Leap(std::uint64_t count);

  // The sequence r[] in order: the kWords words before the batch, then the
  // batch, in which r[i] = r[i - 3] + r[i - 31] in 32-bit arithmetic.
  std::uint32_t words_[kWords + kBatch];
  int next_ = kWords + kBatch;  // The word Next() returns next.
};

#endif  // QUARRIMEL_ENGINES_GLIBC_RANDOM_H_
