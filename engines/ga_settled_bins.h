// SPDX-License-Identifier: GPL-3.0-or-later
// Which bins the local search can pass over. A pass tries the three moves on
// every bin, but nearly always no draw could make any of them trade: the
// loose items are too small for the bin's smallest item, pair or triple, or
// the bin is full. Such a bin is settled. Telling that from three numbers kept
// per bin and three read from the loose items costs a fraction of running
// the moves, which load every item they draw; the pass then takes the settled
// bins' draws in one go, so that every later draw is the one it would be.
#ifndef QUARRIMEL_ENGINES_GA_SETTLED_BINS_H_
#define QUARRIMEL_ENGINES_GA_SETTLED_BINS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/loose_items.h"

// Lower bounds of what the moves can draw from one bin: its smallest item,
// the smallest sum of two of its items, and the smallest sum of three in any
// of the orders the moves may add them (rounding makes the order matter).
// A bound that the bin's item count does not reach is infinite.
struct BinFloors {
  double item, pair, triple;
};

// The floors of the `count` items at `ids`, sizes read by id from `sizes`.
BinFloors FloorsOf(const std::uint32_t* ids, std::uint32_t count,
                   const double* sizes);

// The floors of the bins of one packing during one repair, each worked out
// when first asked for: most bins are settled by floors that hold for every
// bin (the smallest item, pair and triple among all the items) and never
// need their items read.
class BinFloorTable {
 public:
  // Forgets every bin's floors, for a packing of `bins` bins.
  void Reset(std::size_t bins);
  // The floors of bin `bin`, whose `count` items are at `ids`.
  const BinFloors& Get(std::size_t bin, const std::uint32_t* ids,
                       std::uint32_t count, const double* sizes) {
    if (known_[bin] != repair_) {
      floors_[bin] = FloorsOf(ids, count, sizes);
      known_[bin] = repair_;
    }
    return floors_[bin];
  }
  // Forgets the floors of bin `bin`, whose items changed.
  void Forget(std::size_t bin) { known_[bin] = repair_ - 1; }

 private:
  std::vector<BinFloors> floors_;
  // known_[bin] == repair_ when floors_[bin] holds for this repair; a new
  // repair number forgets all at once.
  std::vector<std::uint32_t> known_;
  std::uint32_t repair_ = 0;
};

// What the loose items can offer a move, read once for as long as they do
// not change.
struct LooseReach {
  explicit LooseReach(const LooseItems& loose)
      : count(loose.size()),
        largest(count >= 1 ? loose.FirstSize() : 0),
        largest_two(count >= 2 ? loose.SecondSize() + loose.FirstSize() : 0) {}

  // Whether no move, whatever its draws, can change a bin of `count` items
  // with these floors and this room. Each test is the one the move makes
  // against the largest candidates it could be offered: candidates only get
  // smaller down the list, sums of sizes only grow with the sizes, and the
  // floors lie at or below every sum the move can form.
  bool Settles(const BinFloors& floors, std::uint32_t bin_count,
               double room) const {
    if (count == 0) return true;
    // One for one: a strictly larger loose item, and room for the
    // difference.
    if (room > 0 && largest > floors.item) return false;
    // Two for one: a loose item at least as large as the pair.
    if (bin_count >= 2 && !(largest < floors.pair)) return false;
    // Three for two: the largest and another, at least as large as the
    // triple.
    return bin_count < 3 || count < 2 || largest_two < floors.triple;
  }

  // The draws the three moves take from a bin of `bin_count` items when none
  // trades: one position per item they would trade away, each move drawing
  // only when the bin and the loose items are large enough for it.
  int DrawsOf(std::uint32_t bin_count) const {
    if (count == 0) return 0;
    int draws = bin_count >= 1 ? 1 : 0;
    if (bin_count >= 2) draws += 2;
    if (bin_count >= 3 && count >= 2) draws += 3;
    return draws;
  }

  std::size_t count;   // Loose items.
  double largest;      // The first loose item's size.
  double largest_two;  // The second's plus the first's, as the move adds them.
};

#endif  // QUARRIMEL_ENGINES_GA_SETTLED_BINS_H_
