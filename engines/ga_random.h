// SPDX-License-Identifier: GPL-3.0-or-later
// The genetic algorithm's only source of randomness: one generator giving the
// sequence of the GNU C library's rand(), scaled by fixed rules so that a seed
// repeats a run draw for draw on every system. Every draw of the engine goes
// through these helpers.
#ifndef QUARRIMEL_ENGINES_GA_RANDOM_H_
#define QUARRIMEL_ENGINES_GA_RANDOM_H_

#include <cstddef>
#include <cstdint>

#include "engines/glibc_random.h"

// The generator the engine draws from; SeedDraws() restarts it. One for the
// whole program, as there is one engine and one thread.
inline GlibcRandom engineDraws;

// Restarts the engine's sequence as srand(seed) would restart rand()'s.
inline void SeedDraws(std::uint32_t seed) { engineDraws.Seed(seed); }

// One draw, 0..2147483647.
inline int Draw() { return engineDraws.Next(); }

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

// One draw, scaled to 0..n-1.
// REQUIRES: n >= 1.
inline std::size_t RandomIndex(std::size_t n) { return ScaleIndex(n, Draw()); }

// True with probability p. Draws nothing when p is 0 or less (false) or 1
// or more (true).
inline bool Chance(float p) {
  if (p <= 0) return false;
  if (p >= 1) return true;
  return ChanceHit(p, Draw());
}

// One draw: an index in lo..hi other than `first`. With lo == hi it returns
// lo + 1, outside the range; callers that can meet that case say so.
inline std::size_t OtherIndex(std::size_t lo, std::size_t hi,
                              std::size_t first) {
  const std::size_t x = lo + RandomIndex(hi - lo + 1);
  // x - 1 when x > lo, else lo + 1 (that is, x + 1). Written without a
  // branch: on small ranges the draw hits `first` often and at random, and
  // the local search draws such pairs millions of times.
  const std::size_t step = x > lo ? ~std::size_t{0} : std::size_t{1};
  const std::size_t hit = std::size_t{0} - std::size_t{x == first};
  return x + (step & hit);
}

#endif  // QUARRIMEL_ENGINES_GA_RANDOM_H_
