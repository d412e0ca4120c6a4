// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_local_search.h"

// Flattened: the three moves are run on every bin of every pass and nearly
// always end at a quick refusal, which costs less than a call.
[[gnu::flatten]] void Improve(std::vector<Bin>& bins, LooseItems& loose) {
  if (loose.empty()) return;
  // Every change fills some bin further or, at the same fill, leaves it
  // fewer items, so the passes come to an end.
  bool changed = true;
  while (changed) {
    changed = false;
    for (Bin& bin : bins) {
      // Item counts are read before each move: the one before may have
      // changed them.
      if (bin.items.size() >= 3) changed |= ReplaceThreeByTwo(bin, loose);
      if (bin.items.size() >= 2) changed |= ReplaceTwoByOne(bin, loose);
      if (!bin.items.empty()) changed |= ReplaceOne(bin, loose);
    }
  }
}
