// SPDX-License-Identifier: GPL-3.0-or-later
// The genetic algorithm's source of randomness: a generator giving the
// sequence of the GNU C library's rand(), scaled by fixed rules so that a seed
// repeats a run draw for draw on every system. Every draw of the engine goes
// through an EngineDraws.
#ifndef QUARRIMEL_ENGINES_GA_RANDOM_H_
#define QUARRIMEL_ENGINES_GA_RANDOM_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engines/glibc_random.h"

// Scales one generator value r (0..2147483647) to an index in 0..n-1: the
// double product n * r * 4.656612873077393e-10, truncated.
inline std::size_t ScaleIndex(std::size_t n, int r) {
  // The factor is exactly 2^-31, and below kExactProducts the product n * r
  // is a whole number a double holds exactly, so the double arithmetic gives
  // exactly the integer n * r / 2^31, rounded down.
  constexpr std::size_t kExactProducts = std::size_t{1} << 22;
  if (n < kExactProducts) {
    return static_cast<std::size_t>(
        (static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(r)) >> 31);
  }
  const double index =
      static_cast<double>(n) * static_cast<double>(r) * 4.656612873077393e-10;
  return static_cast<std::size_t>(index);
}

// Whether one generator value r counts as a hit for probability p.
inline bool ChanceHit(float p, int r) {
  return static_cast<double>(p) > r / 2147483647.0;
}

// Two different positions, in increasing order.
struct TwoPositions {
  std::size_t first, second;
};

// Three different positions, in increasing order.
struct ThreePositions {
  std::size_t first, second, third;
};

// The generator one engine draws from, with the draws it makes. Each engine
// owns its own and hands it by reference to whatever draws, so that two
// engines in one process never take each other's draws.
class EngineDraws {
 public:
  // Seeded as srand(1) seeds the C library's generator.
  EngineDraws() = default;
  explicit EngineDraws(std::uint32_t seed) : generator_(seed) {}

  // Restarts the sequence as srand(seed) would restart rand()'s.
  void Seed(std::uint32_t seed) { generator_.Seed(seed); }

  // One draw, 0..2147483647.
  int Draw() { return generator_.Next(); }

  // Takes `count` draws whose values are not needed: a move that cannot
  // succeed whatever its draws give still takes them, so that every later
  // draw is the one it would be.
  void Skip(std::uint64_t count) { generator_.Skip(count); }

  // The refusal of a move that no draw could make succeed: it takes the
  // `count` draws the move would have made, and returns false.
  bool Refuse(int count) {
    Skip(count);
    return false;
  }

  // One draw, scaled to 0..n-1.
  // REQUIRES: n >= 1.
  std::size_t RandomIndex(std::size_t n) { return ScaleIndex(n, Draw()); }

  // True with probability p. Draws nothing when p is 0 or less (false) or 1
  // or more (true).
  bool Chance(float p) {
    if (p <= 0) return false;
    if (p >= 1) return true;
    return ChanceHit(p, Draw());
  }

  // One draw: an index in lo..hi other than `first`. With lo == hi it
  // returns lo + 1, outside the range; callers that can meet that case say
  // so.
  std::size_t OtherIndex(std::size_t lo, std::size_t hi, std::size_t first) {
    const std::size_t x = lo + RandomIndex(hi - lo + 1);
    if (x != first) return x;
    return x > lo ? x - 1 : lo + 1;
  }

  // Two draws: two different positions among `count`.
  // REQUIRES: count >= 2.
  TwoPositions PickTwo(std::size_t count) {
    const std::size_t a = RandomIndex(count);
    const std::size_t b = OtherIndex(0, count - 1, a);
    return {std::min(a, b), std::max(a, b)};
  }

  // Three draws: three different positions among `count`; two as above,
  // then a third moved off the first two when it meets them.
  // REQUIRES: count >= 3.
  ThreePositions PickThree(std::size_t count) {
    const TwoPositions two = PickTwo(count);
    std::size_t d = RandomIndex(count);
    if (d == two.first) {
      d = d > 0 ? d - 1 : (two.second == 1 ? 2 : 1);
    } else if (d == two.second) {
      d = d != count - 1 ? d + 1
                         : (two.first == count - 2 ? count - 3 : count - 2);
    }
    if (d < two.first) return {d, two.first, two.second};
    if (d < two.second) return {two.first, d, two.second};
    return {two.first, two.second, d};
  }

 private:
  GlibcRandom generator_;
};

#endif  // QUARRIMEL_ENGINES_GA_RANDOM_H_
