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

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
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

// The least float above `x` (for x > 0 or zero), so that y > x exactly when
// y >= NextAbove(x); x itself where no such float helps.
float NextAbove(float x);

// RoundedDown or RoundedUp, below, for x beyond the floats' range or not a
// number.
float RoundedBeyondFloats(double x, bool up);

// `x` as a float: the largest not above it, or the least not below it.
// Keys are kept as floats, half the memory of doubles to scan; a key rounded
// down and a loose size rounded up compare as "could trade" whenever the
// exact sizes do, so no bin that can change is passed over. Sizes that are
// floats already, as whole numbers below 2^24 are, lose nothing.
inline float RoundedDown(double x) {
  // Outside the floats' range a conversion is not defined.
  if (!(std::fabs(x) <= std::numeric_limits<float>::max())) {
    return RoundedBeyondFloats(x, false);
  }
  const float f = static_cast<float>(x);  // The nearest float.
  return f > x ? std::nextafter(f, -std::numeric_limits<float>::infinity()) : f;
}

inline float RoundedUp(double x) {
  if (!(std::fabs(x) <= std::numeric_limits<float>::max())) {
    return RoundedBeyondFloats(x, true);
  }
  const float f = static_cast<float>(x);
  return f < x ? std::nextafter(f, std::numeric_limits<float>::infinity()) : f;
}

// What the loose items can offer a move, read once for as long as they do
// not change, rounded up to compare with the keys.
struct LooseReach {
  // Inline: a pass reads it again after every trade, and a copy made
  // through memory would wait on the stores that made it.
  explicit LooseReach(const LooseItems& loose)
      : count(loose.size()),
        largest(count >= 1 ? RoundedUp(loose.FirstSize()) : 0),
        largest_two(count >= 2
                        ? RoundedUp(loose.SecondSize() + loose.FirstSize())
                        : -std::numeric_limits<float>::infinity()) {}

  std::size_t count;  // Loose items.
  float largest;      // The first loose item's size.
  // The second's plus the first's, as the move adds them; minus infinity
  // with fewer than two, when no sum opens a bin.
  float largest_two;
};

// The draws the moves would take from a run of settled bins, kept so that
// they can be worked out for whatever items are loose when the run is
// passed over again: three for two draws only with two items loose.
struct OwedDraws {
  std::uint64_t with_two_loose = 0;  // With two or more items loose.
  std::uint32_t triples = 0;         // Bins of three or more items.

  // Adds a bin of `count` items: one position per item each move would
  // trade away, each move drawing only when the bin is large enough for it.
  void Add(std::uint32_t count) {
    static constexpr std::uint8_t kDraws[4] = {0, 1, 3, 6};
    with_two_loose += kDraws[count < 3 ? count : 3];
    triples += count >= 3;
  }
  void Add(const OwedDraws& run) {
    with_two_loose += run.with_two_loose;
    triples += run.triples;
  }
  // Without loose items no move draws.
  std::uint64_t For(const LooseReach& reach) const {
    if (reach.count == 0) return 0;
    return reach.count >= 2 ? with_two_loose : with_two_loose - 3u * triples;
  }
};

// What one pass of the local search met: the bins it found open, in order,
// each with the settled bins it passed over before it, and those after the
// last.
struct PassRecord {
  struct OpenBin {
    std::uint32_t bin;
    OwedDraws before;
  };
  std::vector<OpenBin> open;
  OwedDraws after;
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
  // Exchanges the keys held with `keys`: a packing that carries its keys
  // lends them for its repair and takes them back after.
  void Swap(std::vector<BinKeys>& keys) { keys_.swap(keys); }
  // Works out bin `bin`'s keys again, after its items changed, or those of
  // a bin added at the end.
  void Update(std::size_t bin, const Packing& packing,
              const std::vector<std::uint32_t>& starts, const double* sizes);
  // The first bin from `from` on that is open to `reach`, or the bin count
  // when none is (at once when no item is loose). Adds each settled bin
  // passed over to `owed`.
  std::size_t NextOpen(std::size_t from, const LooseReach& reach,
                       const std::uint32_t* counts, OwedDraws& owed) const;
  const BinKeys& keys(std::size_t bin) const { return keys_[bin]; }
  // Asks for bin `bin`'s keys to be loaded into cache.
  void LoadAhead(std::size_t bin) const { __builtin_prefetch(&keys_[bin]); }
  bool IsOpen(std::size_t bin, const LooseReach& reach) const {
    return reach.count > 0 && (keys_[bin].one <= reach.largest ||
                               keys_[bin].three <= reach.largest_two);
  }

  // Working storage of the passes: what the last one met, and the record of
  // the one under way, which becomes the last at EndPass().
  const PassRecord& last_pass() const { return last_pass_; }
  PassRecord& StartPass() {
    pass_.open.clear();
    pass_.after = {};
    return pass_;
  }
  void EndPass() { std::swap(pass_, last_pass_); }

 private:
  std::vector<BinKeys> keys_;
  PassRecord pass_, last_pass_;
};

#endif  // QUARRIMEL_ENGINES_GA_SETTLED_BINS_H_
