// SPDX-License-Identifier: GPL-3.0-or-later
// Which bins the local search can pass over. A pass tries the three moves on
// every bin, but nearly always no draw could make any of them trade: the
// loose items are too small for the bin's smallest item, pair or triple, or
// the bin is full. Such a bin is settled. Telling that from two keys worked
// out per bin and two sizes read from the loose items costs a fraction of
// running the moves, which load every item they draw; the pass then takes
// the settled bins' draws in one go, so that every later draw is the one it
// would be.
#ifndef QUARRIMEL_ENGINES_GA_SETTLED_BINS_H_
#define QUARRIMEL_ENGINES_GA_SETTLED_BINS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/loose_items.h"
#include "engines/packing.h"

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

// The least double above `x` (for x > 0 or zero), so that y > x exactly when
// y >= NextAbove(x); x itself where no such double helps.
double NextAbove(double x);

// What the loose items can offer a move, read once for as long as they do
// not change.
struct LooseReach {
  explicit LooseReach(const LooseItems& loose)
      : count(loose.size()),
        largest(count >= 1 ? loose.FirstSize() : 0),
        largest_two(count >= 2 ? loose.SecondSize() + loose.FirstSize() : 0) {}

  std::size_t count;   // Loose items.
  double largest;      // The first loose item's size.
  double largest_two;  // The second's plus the first's, as the move adds them.
};

// The bins of one packing during one repair, each as two keys that tell at
// once whether any move could trade on it: a bin is open when the largest
// loose item reaches its first key, or the two largest reach its second;
// otherwise it is settled, and no draw could change it.
class SettledBins {
 public:
  // Works out the keys of every bin of `packing`, whose bin k starts at
  // starts[k].
  void Reset(const Packing& packing, const std::vector<std::uint32_t>& starts,
             const double* sizes);
  // Works out bin `bin`'s keys again, after its items changed.
  void Update(std::size_t bin, const Packing& packing,
              const std::vector<std::uint32_t>& starts, const double* sizes);
  // The first bin from `from` on that is open to `reach`, or the bin count
  // when none is. Adds to `owed` the draws the moves would take from each
  // settled bin passed over: one position per item each would trade away,
  // each move drawing only when the bin and the loose items are large
  // enough for it.
  std::size_t NextOpen(std::size_t from, const LooseReach& reach,
                       const std::uint32_t* counts, std::uint64_t& owed) const;

 private:
  // one_[k]: the least size of a loose item that could replace one or two
  // of bin k's items; three_[k]: the least sum of the two largest loose
  // items that could replace three. Infinite where no move applies.
  std::vector<double> one_, three_;
};

#endif  // QUARRIMEL_ENGINES_GA_SETTLED_BINS_H_
