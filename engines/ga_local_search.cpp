// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_local_search.h"

#include <algorithm>

namespace {

// The three moves on one bin, as a pass tries them. Returns whether any
// traded; `fewer` is set when the bin gave up more items than it took.
// `three` is the bin's key for three for two, as it stands before any move.
// Flattened: the moves are short and run in place.
[[gnu::flatten]] bool TryMoves(BinSlice bin, float three,
                               const LooseReach& reach, LooseItems& loose,
                               EngineDraws& draws, bool& fewer) {
  // Item counts are read before each move: the one before may have changed
  // them.
  fewer = false;
  if (bin.count >= 3) {
    // A bin is often open to one for one only: then its key tells at once
    // that no drawn triple can be replaced, and the move's draws are taken
    // without loading the items they would pick.
    if (reach.count >= 2 && three > reach.largest_two) {
      draws.Refuse(3);
    } else {
      fewer |= ReplaceThreeByTwo(bin, loose, draws);
    }
  }
  if (bin.count >= 2) fewer |= ReplaceTwoByOne(bin, loose, draws);
  const bool one = bin.count >= 1 && ReplaceOne(bin, loose, draws);
  return fewer || one;
}

// One pass over the bins: what it works on, owes and meets.
struct Pass {
  Packing& packing;
  const std::vector<std::uint32_t>& starts;
  LooseItems& loose;
  const double* sizes;
  EngineDraws& draws;
  SettledBins& settled;
  PassRecord& record;
  std::vector<std::uint32_t>& shrunk;
  LooseReach reach;
  OwedDraws owed;  // By the settled bins since the last open one.
  bool changed = false;
  // Whether the loose items came to reach further: then a bin passed over
  // before may be open now.
  bool grew = false;
};

// Takes the draws owed so far and tries the moves on open bin k.
void Visit(Pass& pass, std::size_t k) {
  pass.draws.Skip(pass.owed.For(pass.reach));
  // Written in place: a record built aside and copied would be read whole
  // right after its parts were stored.
  PassRecord::OpenBin& open = pass.record.open.emplace_back();
  open.bin = static_cast<std::uint32_t>(k);
  open.before = pass.owed;
  pass.owed = {};
  Packing& packing = pass.packing;
  const BinSlice bin{packing.ids.data() + pass.starts[k], packing.counts[k],
                     packing.used[k], packing.capacity, pass.sizes};
  bool fewer = false;
  if (!TryMoves(bin, pass.settled.keys(k).three, pass.reach, pass.loose,
                pass.draws, fewer)) {
    return;
  }
  pass.changed = true;
  if (fewer) pass.shrunk.push_back(static_cast<std::uint32_t>(k));
  pass.settled.Update(k, packing, pass.starts, pass.sizes);
  const float largest = pass.reach.largest;
  const float largest_two = pass.reach.largest_two;
  pass.reach = LooseReach(pass.loose);
  pass.grew |=
      pass.reach.largest > largest || pass.reach.largest_two > largest_two;
}

// Visits every open bin from bin k on.
void ScanFrom(Pass& pass, std::size_t k) {
  const std::uint32_t* counts = pass.packing.counts.data();
  while (true) {
    k = pass.settled.NextOpen(k, pass.reach, counts, pass.owed);
    if (k == pass.packing.size()) return;
    Visit(pass, k++);
  }
}

// A revisit knows the bins it will visit: their data is asked for ahead,
// in three steps because each needs the one before in cache (a bin's start
// gives where its items are, its items give where their sizes are). The
// bins lie far apart in large packings, and a visit would otherwise wait on
// memory for each.
constexpr std::size_t kAhead = 4;  // Bins between the steps.

void LoadBinAhead(const Pass& pass, std::size_t bin) {
  pass.settled.LoadAhead(bin);
  __builtin_prefetch(&pass.starts[bin]);
  __builtin_prefetch(&pass.packing.counts[bin]);
  __builtin_prefetch(&pass.packing.used[bin]);
}

void LoadItemsAhead(const Pass& pass, std::size_t bin) {
  __builtin_prefetch(pass.packing.ids.data() + pass.starts[bin]);
}

void LoadSizesAhead(const Pass& pass, std::size_t bin) {
  const std::uint32_t* ids = pass.packing.ids.data() + pass.starts[bin];
  const std::uint32_t count =
      std::min<std::uint32_t>(pass.packing.counts[bin], 4);
  for (std::uint32_t j = 0; j < count; ++j)
    __builtin_prefetch(&pass.sizes[ids[j]]);
}

void LoadAhead(const Pass& pass, const PassRecord& last, std::size_t i) {
  const std::size_t open = last.open.size();
  if (i + 3 * kAhead < open) LoadBinAhead(pass, last.open[i + 3 * kAhead].bin);
  if (i + 2 * kAhead < open)
    LoadItemsAhead(pass, last.open[i + 2 * kAhead].bin);
  if (i + kAhead < open) LoadSizesAhead(pass, last.open[i + kAhead].bin);
}

// Visits the bins the last pass found open that still are. The others are
// settled: their items are as they were, and the loose items reach no
// further than when that pass passed them over. Should they come to reach
// further, the rest of the pass looks at every bin.
void Revisit(Pass& pass, const PassRecord& last) {
  const std::uint32_t* counts = pass.packing.counts.data();
  for (std::size_t i = 0; i < last.open.size(); ++i) {
    LoadAhead(pass, last, i);
    const PassRecord::OpenBin& open = last.open[i];
    pass.owed.Add(open.before);
    if (!pass.settled.IsOpen(open.bin, pass.reach)) {
      pass.owed.Add(counts[open.bin]);
      continue;
    }
    Visit(pass, open.bin);
    if (pass.grew) return ScanFrom(pass, open.bin + 1);
  }
  pass.owed.Add(last.after);
}

}  // namespace

void Improve(Packing& packing, const std::vector<std::uint32_t>& starts,
             LooseItems& loose, const double* sizes, EngineDraws& draws,
             SettledBins& settled, std::vector<std::uint32_t>& shrunk) {
  shrunk.clear();
  if (loose.empty()) return;
  // Every change fills some bin further or, at the same fill, leaves it
  // fewer items, so the passes come to an end.
  bool changed = true;
  bool every_bin = true;  // The first pass has no last one to go by.
  while (changed) {
    Pass pass{packing,
              starts,
              loose,
              sizes,
              draws,
              settled,
              settled.StartPass(),
              shrunk,
              LooseReach(loose),
              {}};
    if (every_bin) {
      ScanFrom(pass, 0);
    } else {
      Revisit(pass, settled.last_pass());
    }
    draws.Skip(pass.owed.For(pass.reach));
    pass.record.after = pass.owed;
    settled.EndPass();
    changed = pass.changed;
    every_bin = pass.grew;
  }
  // A bin may shrink in more than one pass, and each pass starts again
  // from the first bin. Stable, as every sort of the engine is, though equal
  // bin numbers are the same number.
  std::stable_sort(shrunk.begin(), shrunk.end());
  shrunk.erase(std::unique(shrunk.begin(), shrunk.end()), shrunk.end());
}
