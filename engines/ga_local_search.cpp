// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_local_search.h"

// Flattened: the three moves are run on every bin of every pass and nearly
// always end at a quick refusal, which costs less than a call.
[[gnu::flatten]] bool Improve(Packing& packing,
                              const std::vector<std::uint32_t>& starts,
                              LooseItems& loose, const double* sizes,
                              EngineDraws& draws) {
  bool shrank = false;
  // Every change fills some bin further or, at the same fill, leaves it
  // fewer items, so the passes come to an end.
  bool changed = !loose.empty();
  while (changed) {
    changed = false;
    for (std::size_t k = 0; k < packing.size(); ++k) {
      const BinSlice bin{packing.ids.data() + starts[k], packing.counts[k],
                         packing.used[k], packing.capacity, sizes};
      // Item counts are read before each move: the one before may have
      // changed them.
      bool fewer = false;
      if (bin.count >= 3) fewer |= ReplaceThreeByTwo(bin, loose, draws);
      if (bin.count >= 2) fewer |= ReplaceTwoByOne(bin, loose, draws);
      changed |= fewer;
      if (bin.count >= 1) changed |= ReplaceOne(bin, loose, draws);
      shrank |= fewer;
    }
  }
  return shrank;
}
