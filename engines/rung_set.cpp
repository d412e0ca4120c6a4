// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/rung_set.h"

namespace {

constexpr std::uint64_t kOne = 1;

int LowestBit(std::uint64_t word) { return __builtin_ctzll(word); }

}  // namespace

RungSet::RungSet(std::uint32_t bound) {
  std::size_t bits = bound == 0 ? 1 : bound;
  for (;;) {
    const std::size_t words = (bits + 63) / 64;
    levels_.emplace_back(words, 0);
    if (words == 1) break;
    bits = words;
  }
}

void RungSet::Insert(std::uint32_t rung) {
  std::size_t position = rung;
  for (std::vector<std::uint64_t>& level : levels_) {
    std::uint64_t& word = level[position >> 6];
    const bool was_empty = word == 0;
    word |= kOne << (position & 63);
    if (!was_empty) return;
    position >>= 6;
  }
}

void RungSet::Erase(std::uint32_t rung) {
  std::size_t position = rung;
  for (std::vector<std::uint64_t>& level : levels_) {
    std::uint64_t& word = level[position >> 6];
    word &= ~(kOne << (position & 63));
    if (word != 0) return;
    position >>= 6;
  }
}

std::uint32_t RungSet::FindFrom(std::uint32_t from) const {
  // Up: the first level whose word, from the bit for `from`'s part on,
  // holds a member; past a word's end the search goes on at the next bit of
  // the level above.
  std::size_t position = from;
  std::size_t level = 0;
  for (;; ++level) {
    if (level == levels_.size()) return kNone;
    const std::vector<std::uint64_t>& words = levels_[level];
    const std::size_t w = position >> 6;
    if (w >= words.size()) return kNone;
    const std::uint64_t bits =
        words[w] & (~std::uint64_t{0} << (position & 63));
    if (bits != 0) {
      position = (w << 6) | static_cast<std::size_t>(LowestBit(bits));
      break;
    }
    position = w + 1;
  }
  // Down: the first member under the word found.
  while (level-- > 0) {
    position = (position << 6) |
               static_cast<std::size_t>(LowestBit(levels_[level][position]));
  }
  return static_cast<std::uint32_t>(position);
}
