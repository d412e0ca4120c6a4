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
             BinFloorTable& floors) {
  if (loose.empty()) return false;
  floors.Reset(packing.size());
  // Floors that hold for every bin: the smallest sizes of all the items.
  const BinFloors any_bin{loose.smallest(), loose.smallest_pair(),
                          loose.smallest_triple()};
  bool shrank = false;
  // Every change fills some bin further or, at the same fill, leaves it
  // fewer items, so the passes come to an end.
  bool changed = true;
  while (changed) {
    changed = false;
    LooseReach reach(loose);
    // The draws of the settled bins passed over since the last bin tried.
    std::uint64_t owed = 0;
    for (std::size_t k = 0; k < packing.size(); ++k) {
      const std::uint32_t count = packing.counts[k];
      const double room = packing.room(k);
      if (reach.Settles(any_bin, count, room) ||
          reach.Settles(
              floors.Get(k, packing.ids.data() + starts[k], count, sizes),
              count, room)) {
        owed += static_cast<std::uint64_t>(reach.DrawsOf(count));
        continue;
      }
      draws.Skip(owed);
      owed = 0;
      const BinSlice bin{packing.ids.data() + starts[k], packing.counts[k],
                         packing.used[k], packing.capacity, sizes};
      bool fewer = false;
      if (!TryMoves(bin, loose, draws, fewer)) continue;
      changed = true;
      shrank |= fewer;
      floors.Forget(k);
      reach = LooseReach(loose);
    }
    draws.Skip(owed);
  }
  return shrank;
}
