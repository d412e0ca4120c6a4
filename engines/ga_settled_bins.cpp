// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_settled_bins.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// The floor of three items whose three smallest sizes are a, b and c.
double TripleFloor(double a, double b, double c) {
  // A drawn triple's items are each at least as large as a, b and c in some
  // order, and the move adds the first two and then the third: the smallest
  // the sum can round to is the least of the three ways to add a, b and c
  // with one of them last.
  return std::min({(a + b) + c, (a + c) + b, (b + c) + a});
}

}  // namespace

BinFloors FloorsOf(const std::uint32_t* ids, std::uint32_t count,
                   const double* sizes) {
  constexpr double kNone = std::numeric_limits<double>::infinity();
  // The three smallest sizes, smallest first, kept without branches: which
  // way each comparison goes follows the data.
  double a = kNone, b = kNone, c = kNone;
  for (std::uint32_t i = 0; i < count; ++i) {
    const double x = sizes[ids[i]];
    c = std::min(c, std::max(b, x));
    b = std::min(b, std::max(a, x));
    a = std::min(a, x);
  }
  return {a, count >= 2 ? a + b : kNone,
          count >= 3 ? TripleFloor(a, b, c) : kNone};
}

float NextAbove(float x) {
  if (x == 0) return std::numeric_limits<float>::denorm_min();
  // Elsewhere x itself stands in: every y above x is at least x, so a bin
  // keyed on it is at worst opened for nothing.
  if (!(x > 0) || x == std::numeric_limits<float>::infinity()) return x;
  std::uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  ++bits;  // Positive floats order as their bit patterns do.
  std::memcpy(&x, &bits, sizeof bits);
  return x;
}

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kFloatInf = std::numeric_limits<float>::infinity();
constexpr float kFloatMax = std::numeric_limits<float>::max();

}  // namespace

float RoundedBeyondFloats(double x, bool up) {
  if (std::isnan(x)) return static_cast<float>(x);
  if (x > 0) return up || x == kInf ? kFloatInf : kFloatMax;
  return !up || x == -kInf ? -kFloatInf : -kFloatMax;
}

namespace {

// The three smallest of three sizes, smallest first.
void SortThree(double& a, double& b, double& c) {
  const double low = std::min(a, b), high = std::max(a, b);
  a = std::min(low, c);
  const double rest = std::max(low, c);
  b = std::min(rest, high);
  c = std::max(rest, high);
}

BinKeys KeysOf(const std::uint32_t* ids, std::uint32_t count, double room,
               const double* sizes) {
  constexpr double kNone = kInf;
  BinFloors floors;
  // Nearly every bin holds two or three items: those are worked out without
  // a loop.
  if (count == 2) {
    const double x = sizes[ids[0]], y = sizes[ids[1]];
    floors = {std::min(x, y), x + y, kNone};
  } else if (count == 3) {
    double a = sizes[ids[0]], b = sizes[ids[1]], c = sizes[ids[2]];
    SortThree(a, b, c);
    floors = {a, a + b, TripleFloor(a, b, c)};
  } else {
    floors = FloorsOf(ids, count, sizes);
  }
  // One for one needs room and a strictly larger item: as floats, one at
  // least the next above the item rounded down. Two for one needs an item at
  // least as large as the pair (infinite below two items).
  const float one = room > 0 ? NextAbove(RoundedDown(floors.item)) : kFloatInf;
  return {std::min(one, RoundedDown(floors.pair)), RoundedDown(floors.triple)};
}

}  // namespace

void SettledBins::Reset(const Packing& packing,
                        const std::vector<std::uint32_t>& starts,
                        const double* sizes) {
  const std::size_t bins = packing.size();
  keys_.resize(bins);
  for (std::size_t k = 0; k < bins; ++k) Update(k, packing, starts, sizes);
}

void SettledBins::Update(std::size_t bin, const Packing& packing,
                         const std::vector<std::uint32_t>& starts,
                         const double* sizes) {
  if (bin >= keys_.size()) keys_.resize(packing.size());
  keys_[bin] = KeysOf(packing.ids.data() + starts[bin], packing.counts[bin],
                      packing.room(bin), sizes);
}

namespace {

// Four lanes side by side, as the compiler's vector extension gives them:
// a block of bins is tested and added up without a branch per bin, on any
// processor.
typedef float Floats4 __attribute__((vector_size(16)));
typedef std::uint32_t Counts4 __attribute__((vector_size(16)));
typedef std::int32_t Mask4 __attribute__((vector_size(16)));

constexpr std::size_t kBlock = 8;  // Bins tested at once.

template <typename Vector, typename T>
Vector Load(const T* from) {
  Vector v;
  std::memcpy(&v, from, sizeof v);
  return v;
}

// Whether any of the kBlock bins from `keys` is open: two bins' keys per
// vector, against the reach laid out alike. A comparison with NaN is false,
// as in the test of one bin.
bool AnyOpen(const BinKeys* keys, Floats4 reach) {
  static_assert(sizeof(BinKeys) == 2 * sizeof(float), "keys side by side");
  Mask4 open = Load<Floats4>(keys) <= reach;
  for (std::size_t j = 2; j < kBlock; j += 2) {
    open |= Load<Floats4>(keys + j) <= reach;
  }
  std::int32_t lanes[4];
  std::memcpy(lanes, &open, sizeof lanes);
  return (lanes[0] | lanes[1] | lanes[2] | lanes[3]) != 0;
}

// Adds the draws of the kBlock settled bins whose counts start at `counts`
// to the lanes of `draws` and `triples`: 0, 1, 3 and 6 draws for 0, 1, 2 and
// 3 or more items, as OwedDraws::Add.
void AddBlock(const std::uint32_t* counts, Counts4& draws, Counts4& triples) {
  for (std::size_t j = 0; j < kBlock; j += 4) {
    const Counts4 count = Load<Counts4>(counts + j);
    // Comparisons give -1 where true: subtracting them counts.
    const Counts4 one = (Counts4)(count >= 1u), two = (Counts4)(count >= 2u);
    const Counts4 three = (Counts4)(count >= 3u);
    draws -= one + two + two + three + three + three;
    triples -= three;
  }
}

}  // namespace

std::size_t SettledBins::NextOpen(std::size_t from, const LooseReach& reach,
                                  const std::uint32_t* counts,
                                  OwedDraws& owed) const {
  const std::size_t bins = keys_.size();
  // Without loose items no move draws or trades.
  if (reach.count == 0) return bins;
  const float largest = reach.largest, largest_two = reach.largest_two;
  // Added up in a local: through `owed`, each bin would wait for the last
  // one's store.
  OwedDraws run;
  std::size_t k = from;
  // Most bins are settled: a block of them is passed over with one test of
  // all its keys, and its draws are added up side by side.
  const Floats4 reach4 = {largest, largest_two, largest, largest_two};
  Counts4 draws = {}, triples = {};
  while (k + kBlock <= bins && !AnyOpen(&keys_[k], reach4)) {
    AddBlock(counts + k, draws, triples);
    k += kBlock;
  }
  for (int lane = 0; lane < 4; ++lane) {
    run.with_two_loose += draws[lane];
    run.triples += triples[lane];
  }
  for (; k < bins; ++k) {
    if (keys_[k].one <= largest || keys_[k].three <= largest_two) break;
    run.Add(counts[k]);
  }
  owed.Add(run);
  return k;
}
