// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_local_search.h"

namespace {

// The three moves on one bin, as a pass tries them. Returns whether any
// traded; `fewer` is set when the bin gave up more items than it took.
// Flattened: the moves are short and run in place.
[[gnu::flatten]] bool TryMoves(BinSlice bin, LooseItems& loose,
                               EngineDraws& draws, bool& fewer) {
  // Item counts are read before each move: the one before may have changed
  // them.
  fewer = false;
  if (bin.count >= 3) fewer |= ReplaceThreeByTwo(bin, loose, draws);
  if (bin.count >= 2) fewer |= ReplaceTwoByOne(bin, loose, draws);
  const bool one = bin.count >= 1 && ReplaceOne(bin, loose, draws);
  return fewer || one;
}

}  // namespace

bool Improve(Packing& packing, const std::vector<std::uint32_t>& starts,
             LooseItems& loose, const double* sizes, EngineDraws& draws,
             SettledBins& settled) {
  if (loose.empty()) return false;
  bool shrank = false;
  // Every change fills some bin further or, at the same fill, leaves it
  // fewer items, so the passes come to an end.
  bool changed = true;
  while (changed) {
    changed = false;
    LooseReach reach(loose);
    for (std::size_t k = 0;; ++k) {
      // The settled bins passed over take their draws in one go.
      std::uint64_t owed = 0;
      k = settled.NextOpen(k, reach, packing.counts.data(), owed);
      draws.Skip(owed);
      if (k == packing.size()) break;
      const BinSlice bin{packing.ids.data() + starts[k], packing.counts[k],
                         packing.used[k], packing.capacity, sizes};
      bool fewer = false;
      if (!TryMoves(bin, loose, draws, fewer)) continue;
      changed = true;
      shrank |= fewer;
      settled.Update(k, packing, starts, sizes);
      reach = LooseReach(loose);
    }
  }
  return shrank;
}
