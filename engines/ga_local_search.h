// SPDX-License-Identifier: GPL-3.0-or-later
// The local search of the genetic algorithm's repair: it trades items of a
// bin for loose items so that the bin gets fuller, or holds fewer items at
// the same fill. Every draw comes from the engine's EngineDraws, in a fixed
// order, so a seed repeats a run exactly.
#ifndef QUARRIMEL_ENGINES_GA_LOCAL_SEARCH_H_
#define QUARRIMEL_ENGINES_GA_LOCAL_SEARCH_H_

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <vector>

#include "engines/ga_random.h"
#include "engines/ga_settled_bins.h"
#include "engines/loose_items.h"
#include "engines/packing.h"

// The three moves, defined here so that the pass over the bins runs them in
// place: nearly every call ends at a quick refusal. Each works on one bin and
// the loose items, trades only when the bin's room stays non-negative, keeps
// the loose items in their order, and returns whether it changed anything.
// With too few loose items a move changes nothing and draws nothing; a move
// refused before its draws because no draw could make it trade still takes
// them (Refuse), so that every later draw is the one it would be. All draws
// come from `draws`.

// Trades a randomly chosen bin item for the first loose item that is strictly
// larger and fits in its place.
// REQUIRES: the bin holds at least one item.
inline bool ReplaceOne(BinSlice bin, LooseItems& loose, EngineDraws& draws) {
  if (loose.empty()) return false;
  assert(bin.count >= 1);
  const double room = bin.room();
  // A strictly larger item never fits a full bin, and none may be loose.
  if (!(room > 0) || !(loose.FirstSize() > loose.smallest())) {
    return draws.Refuse(1);
  }
  const std::size_t j = draws.RandomIndex(bin.count);
  const double x = bin.SizeAt(j);
  const LooseItems::Rung rung = loose.FirstFit(
      0, [x](double f) { return f > x; },
      [x, room](double f) { return room >= f - x; });
  if (rung == LooseItems::kNone) return false;
  const std::uint32_t f = loose.Take(rung);
  loose.GiveBack(bin.ids[j]);
  bin.ids[j] = f;
  bin.used += bin.sizes[f] - x;
  return true;
}

// Trades two randomly chosen bin items for the first loose item at least as
// large as both together that fits.
// REQUIRES: the bin holds at least two items.
inline bool ReplaceTwoByOne(BinSlice bin, LooseItems& loose,
                            EngineDraws& draws) {
  if (loose.empty()) return false;
  assert(bin.count >= 2);
  // No loose item is as large as any pair.
  if (loose.FirstSize() < loose.smallest_pair()) return draws.Refuse(2);
  const TwoPositions two = draws.PickTwo(bin.count);
  const double room = bin.room();
  const double w = bin.SizeAt(two.first) + bin.SizeAt(two.second);
  if (room < 0) return false;
  const LooseItems::Rung rung = loose.FirstFit(
      0, [w](double f) { return !(f < w); },
      [w, room](double f) { return room >= f - w; });
  if (rung == LooseItems::kNone) return false;
  const std::uint32_t f = loose.Take(rung);
  loose.GiveBack(bin.ids[two.first]);
  loose.GiveBack(bin.ids[two.second]);
  bin.Remove(two.second);
  bin.Remove(two.first);
  bin.Add(f);
  return true;
}

// Trades three randomly chosen bin items for the largest loose item and the
// first other one that, together at least as large as the three, fit.
// REQUIRES: the bin holds at least three items.
inline bool ReplaceThreeByTwo(BinSlice bin, LooseItems& loose,
                              EngineDraws& draws) {
  if (loose.size() < 2) return false;
  assert(bin.count >= 3);
  // Even the two largest loose items are smaller than any three items.
  if (loose.SecondSize() + loose.FirstSize() < loose.smallest_triple()) {
    return draws.Refuse(3);
  }
  const ThreePositions three = draws.PickThree(bin.count);
  const double room = bin.room();
  const double w = bin.SizeAt(three.first) + bin.SizeAt(three.second) +
                   bin.SizeAt(three.third);
  const double f0 = loose.FirstSize();
  if (room < 0) return false;
  const LooseItems::Rung rung = loose.FirstFit(
      1, [w, f0](double f) { return !(f + f0 < w); },
      [w, f0, room](double f) { return room >= f + f0 - w; });
  if (rung == LooseItems::kNone) return false;
  const std::uint32_t largest = loose.Take(loose.FirstRung());
  const std::uint32_t f = loose.Take(rung);
  loose.GiveBack(bin.ids[three.first]);
  loose.GiveBack(bin.ids[three.second]);
  loose.GiveBack(bin.ids[three.third]);
  bin.Remove(three.third);
  bin.Remove(three.second);
  bin.Remove(three.first);
  bin.Add(largest);
  bin.Add(f);
  return true;
}

// Passes over the bins of `packing` (bin k's items start at starts[k] in its
// ids; `sizes` gives item sizes by id) trying the three moves on each until
// a whole pass changes nothing. Bins keep their count, their order and their
// start; a bin that gives up more items than it takes ends before the next
// one starts, and is put into `shrunk` (ascending, once each; the list is
// cleared first). Settled bins are passed over with their draws taken;
// `settled` holds the keys of every bin of `packing`, and keeps them up to
// date. A pass after the first looks only at the bins the one before found
// open, while the loose items reach no further: every other bin is as
// settled as it was.
void Improve(Packing& packing, const std::vector<std::uint32_t>& starts,
             LooseItems& loose, const double* sizes, EngineDraws& draws,
             SettledBins& settled, std::vector<std::uint32_t>& shrunk);

#endif  // QUARRIMEL_ENGINES_GA_LOCAL_SEARCH_H_
