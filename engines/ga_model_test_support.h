// SPDX-License-Identifier: GPL-3.0-or-later
// A literal model of the genetic algorithm's draws and repair, for tests that
// compare the engine with it: the three moves of the local search, their
// passes over the bins, the insertion of a loose item at its size position
// and plain first fit, written as the rules read (plain vectors of items,
// linear scans, erase and insert). The engine gets the same results with
// flat packings, indexed loose items and quick refusals; the model has none
// of these, so a difference points at the engine.
#ifndef QUARRIMEL_ENGINES_GA_MODEL_TEST_SUPPORT_H_
#define QUARRIMEL_ENGINES_GA_MODEL_TEST_SUPPORT_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/bin.h"
#include "engines/glibc_random.h"
#include "input/item.h"

namespace model {

// The model's draws: the C library's rand() sequence, scaled as the rules
// say, in plain double arithmetic. The sequence comes from the program's own
// GlibcRandom, which glibc_random_test checks against rand() itself, so that
// the model runs on any C library.
class Draws {
 public:
  explicit Draws(std::uint32_t seed) : generator_(seed) {}

  int Draw() { return generator_.Next(); }

  std::size_t RandomIndex(std::size_t n) {
    const double r = Draw();
    return static_cast<std::size_t>(static_cast<double>(n) * r *
                                    4.656612873077393e-10);
  }

  bool Chance(float p) {
    if (p <= 0) return false;
    if (p >= 1) return true;
    return static_cast<double>(p) > Draw() / 2147483647.0;
  }

  std::size_t OtherIndex(std::size_t lo, std::size_t hi, std::size_t first) {
    std::size_t x = lo + RandomIndex(hi - lo + 1);
    if (x == first) x = x > lo ? x - 1 : lo + 1;
    return x;
  }

 private:
  GlibcRandom generator_;
};

// Puts x into `loose`, largest first, after every larger item and before
// the equal ones.
inline void InsertBySize(std::vector<Item*>& loose, Item* x) {
  std::size_t k = 0;
  while (k < loose.size() && loose[k]->size > x->size) ++k;
  loose.insert(loose.begin() + k, x);
}

// Each item, in order, into the first bin with room for it, or a new bin.
inline void FirstFit(std::vector<Bin>& bins, const std::vector<Item*>& items,
                     double capacity) {
  for (Item* item : items) {
    std::size_t k = 0;
    while (k < bins.size() && !(bins[k].room() >= item->size)) ++k;
    if (k == bins.size()) bins.push_back(Bin{{}, 0, capacity});
    bins[k].Add(item);
  }
}

// The moves, on one bin and the loose items, largest first.

inline bool ReplaceOne(Bin& bin, std::vector<Item*>& loose, Draws& draws) {
  if (loose.empty()) return false;
  const std::size_t j = draws.RandomIndex(bin.items.size());
  Item* x = bin.items[j];
  for (std::size_t k = 0; k < loose.size(); ++k) {
    Item* f = loose[k];
    if (!(f->size > x->size)) return false;
    if (bin.room() >= f->size - x->size) {
      loose.erase(loose.begin() + k);
      InsertBySize(loose, x);
      bin.items.Set(j, f);
      bin.used += f->size - x->size;
      return true;
    }
  }
  return false;
}

inline bool ReplaceTwoByOne(Bin& bin, std::vector<Item*>& loose, Draws& draws) {
  if (loose.empty()) return false;
  const std::size_t m = bin.items.size();
  const std::size_t a = draws.RandomIndex(m);
  const std::size_t b = draws.OtherIndex(0, m - 1, a);
  const std::size_t lo = std::min(a, b), hi = std::max(a, b);
  Item* low = bin.items[lo];
  Item* high = bin.items[hi];
  const double w = low->size + high->size;
  for (std::size_t k = 0; k < loose.size(); ++k) {
    Item* f = loose[k];
    if (f->size < w) return false;
    if (bin.room() >= f->size - w) {
      loose.erase(loose.begin() + k);
      InsertBySize(loose, low);
      InsertBySize(loose, high);
      bin.Remove(hi);
      bin.Remove(lo);
      bin.Add(f);
      return true;
    }
  }
  return false;
}

// Three different positions among m, in increasing order: two as for
// ReplaceTwoByOne, then a third moved off them when it meets one.
inline std::vector<std::size_t> ThreePositions(std::size_t m, Draws& draws) {
  const std::size_t a = draws.RandomIndex(m);
  const std::size_t b = draws.OtherIndex(0, m - 1, a);
  const std::size_t lo = std::min(a, b), hi = std::max(a, b);
  std::size_t d = draws.RandomIndex(m);
  if (d == lo) {
    d = d > 0 ? d - 1 : (hi == 1 ? 2 : 1);
  } else if (d == hi) {
    d = d != m - 1 ? d + 1 : (lo == m - 2 ? m - 3 : m - 2);
  }
  std::vector<std::size_t> positions = {lo, hi, d};
  std::stable_sort(positions.begin(), positions.end());
  return positions;
}

inline bool ReplaceThreeByTwo(Bin& bin, std::vector<Item*>& loose,
                              Draws& draws) {
  if (loose.size() < 2) return false;
  const std::vector<std::size_t> pos = ThreePositions(bin.items.size(), draws);
  Item* in_bin[3] = {bin.items[pos[0]], bin.items[pos[1]], bin.items[pos[2]]};
  const double w = in_bin[0]->size + in_bin[1]->size + in_bin[2]->size;
  Item* f0 = loose[0];
  for (std::size_t k = 1; k < loose.size(); ++k) {
    Item* f = loose[k];
    const double s = f->size + f0->size;
    if (s < w) return false;
    if (bin.room() >= s - w) {
      loose.erase(loose.begin() + k);
      loose.erase(loose.begin());
      for (Item* item : in_bin) InsertBySize(loose, item);
      for (int i = 2; i >= 0; --i) bin.Remove(pos[i]);
      bin.Add(f0);
      bin.Add(f);
      return true;
    }
  }
  return false;
}

// Sorts `loose` largest first (equal sizes keep their order), then passes
// over the bins trying the three moves on each until a pass changes
// nothing.
inline void Improve(std::vector<Bin>& bins, std::vector<Item*>& loose,
                    Draws& draws) {
  if (loose.empty()) return;
  std::stable_sort(loose.begin(), loose.end(), BySizeDescending);
  bool changed = true;
  while (changed) {
    changed = false;
    for (Bin& bin : bins) {
      // Item counts are read before each move: the one before may have
      // changed them.
      if (bin.items.size() >= 3) {
        changed |= ReplaceThreeByTwo(bin, loose, draws);
      }
      if (bin.items.size() >= 2) {
        changed |= ReplaceTwoByOne(bin, loose, draws);
      }
      if (bin.items.size() >= 1) changed |= ReplaceOne(bin, loose, draws);
    }
  }
}

}  // namespace model

#endif  // QUARRIMEL_ENGINES_GA_MODEL_TEST_SUPPORT_H_
