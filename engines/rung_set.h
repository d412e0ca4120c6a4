// SPDX-License-Identifier: GPL-3.0-or-later
// A set of small whole numbers (rungs) below a fixed bound, with O(log n)
// insertion, removal and search for the first member from a given number on:
// one bit per number, and above those levels of one bit per word of the
// level below, set when that word is not zero.
#ifndef QUARRIMEL_ENGINES_RUNG_SET_H_
#define QUARRIMEL_ENGINES_RUNG_SET_H_

#include <cstddef>
#include <cstdint>
#include <vector>

class RungSet {
 public:
  static constexpr std::uint32_t kNone = 0xffffffffu;

  RungSet() = default;
  // An empty set of numbers below `bound`.
  explicit RungSet(std::uint32_t bound);

  void Insert(std::uint32_t rung);
  void Erase(std::uint32_t rung);
  bool Contains(std::uint32_t rung) const {
    return (levels_[0][rung >> 6] >> (rung & 63)) & 1;
  }
  // The smallest member at least `from`; kNone when there is none.
  std::uint32_t FindFrom(std::uint32_t from) const;
  std::uint32_t First() const { return FindFrom(0); }

 private:
  // levels_[0] holds a bit per number, each next level a bit per word of the
  // one below; the last level is one word.
  std::vector<std::vector<std::uint64_t>> levels_;
};

#endif  // QUARRIMEL_ENGINES_RUNG_SET_H_
