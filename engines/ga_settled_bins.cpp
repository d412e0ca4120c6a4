// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_settled_bins.h"

#include <algorithm>
#include <limits>
#include <utility>

BinFloors FloorsOf(const std::uint32_t* ids, std::uint32_t count,
                   const double* sizes) {
  constexpr double kNone = std::numeric_limits<double>::infinity();
  // The three smallest sizes, smallest first.
  double a = kNone, b = kNone, c = kNone;
  for (std::uint32_t i = 0; i < count; ++i) {
    double x = sizes[ids[i]];
    if (x < c) std::swap(x, c);
    if (c < b) std::swap(b, c);
    if (b < a) std::swap(a, b);
  }
  BinFloors floors{a, count >= 2 ? a + b : kNone, kNone};
  if (count >= 3) {
    // A drawn triple's items are each at least as large as a, b and c in
    // some order, and the move adds the first two and then the third: the
    // smallest the sum can round to is the least of the three ways to add
    // a, b and c with one of them last.
    floors.triple = std::min({(a + b) + c, (a + c) + b, (b + c) + a});
  }
  return floors;
}

void BinFloorTable::Reset(std::size_t bins) {
  if (++repair_ == 0) {
    // The number wrapped: floors worked out 2^32 repairs ago would pass for
    // this repair's.
    std::fill(known_.begin(), known_.end(), 0);
    repair_ = 1;
  }
  floors_.resize(bins);
  known_.resize(bins, 0);
}
