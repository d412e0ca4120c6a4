// SPDX-License-Identifier: GPL-3.0-or-later
// The local search of the genetic algorithm's repair: it trades items of a
// bin for loose items so that the bin gets fuller, or holds fewer items at
// the same fill. Every draw goes through engines/ga_random.h, in a fixed
// order, so a seed repeats a run exactly.
#ifndef QUARRIMEL_ENGINES_GA_LOCAL_SEARCH_H_
#define QUARRIMEL_ENGINES_GA_LOCAL_SEARCH_H_

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <vector>

#include "engines/bin.h"
#include "engines/ga_random.h"
#include "engines/loose_items.h"

// The three moves, defined here so that the pass over the bins runs them in
// place: nearly every call ends at a quick refusal. Each works on one bin and
// the loose items, trades only when the bin's room stays non-negative, keeps
// the loose items in their order, and returns whether it changed anything.
// With too few loose items a move changes nothing and draws nothing; a move
// refused before its draws because no draw could make it trade still takes
// them (Refuse), so that every later draw is the one it would be.

// Trades a randomly chosen bin item for the first loose item that is strictly
// larger and fits in its place.
// REQUIRES: the bin holds at least one item.
inline bool ReplaceOne(Bin& bin, LooseItems& loose) {
  if (loose.empty()) return false;
  assert(!bin.items.empty());
  const double room = bin.room();
  // A strictly larger item never fits a full bin, and none may be loose.
  if (!(room > 0) || !(loose.FirstSize() > loose.smallest())) {
    return Refuse(1);
  }
  const std::size_t j = RandomIndex(bin.items.size());
  const double x = bin.items.SizeAt(j);
  const LooseItems::Rung rung = loose.FirstFit(
      0, [x](double f) { return f > x; },
      [x, room](double f) { return room >= f - x; });
  if (rung == LooseItems::kNone) return false;
  Item* const f = loose.Take(rung);
  loose.GiveBack(bin.items[j]);
  bin.items.Set(j, f);
  bin.used += f->size - x;
  return true;
}

// Trades two randomly chosen bin items for the first loose item at least as
// large as both together that fits.
// REQUIRES: the bin holds at least two items.
inline bool ReplaceTwoByOne(Bin& bin, LooseItems& loose) {
  if (loose.empty()) return false;
  assert(bin.items.size() >= 2);
  // No loose item is as large as any pair.
  if (loose.FirstSize() < loose.smallest_pair()) return Refuse(2);
  const TwoPositions two = DrawTwoPositions(bin.items.size());
  const double room = bin.room();
  const double w = bin.items.SizeAt(two.lo) + bin.items.SizeAt(two.hi);
  if (room < 0) return false;
  const LooseItems::Rung rung = loose.FirstFit(
      0, [w](double f) { return !(f < w); },
      [w, room](double f) { return room >= f - w; });
  if (rung == LooseItems::kNone) return false;
  Item* const f = loose.Take(rung);
  loose.GiveBack(bin.items[two.lo]);
  loose.GiveBack(bin.items[two.hi]);
  bin.Remove(two.hi);
  bin.Remove(two.lo);
  bin.Add(f);
  return true;
}

// Trades three randomly chosen bin items for the largest loose item and the
// first other one that, together at least as large as the three, fit.
// REQUIRES: the bin holds at least three items.
inline bool ReplaceThreeByTwo(Bin& bin, LooseItems& loose) {
  if (loose.size() < 2) return false;
  assert(bin.items.size() >= 3);
  // Even the two largest loose items are smaller than any three items.
  if (loose.SecondSize() + loose.FirstSize() < loose.smallest_triple()) {
    return Refuse(3);
  }
  const ThreePositions three = DrawThreePositions(bin.items.size());
  const double room = bin.room();
  const double w = bin.items.SizeAt(three.p) + bin.items.SizeAt(three.q) +
                   bin.items.SizeAt(three.t);
  const double f0 = loose.FirstSize();
  if (room < 0) return false;
  const LooseItems::Rung rung = loose.FirstFit(
      1, [w, f0](double f) { return !(f + f0 < w); },
      [w, f0, room](double f) { return room >= f + f0 - w; });
  if (rung == LooseItems::kNone) return false;
  Item* const largest = loose.Take(loose.FirstRung());
  Item* const f = loose.Take(rung);
  loose.GiveBack(bin.items[three.p]);
  loose.GiveBack(bin.items[three.q]);
  loose.GiveBack(bin.items[three.t]);
  bin.Remove(three.t);
  bin.Remove(three.q);
  bin.Remove(three.p);
  bin.Add(largest);
  bin.Add(f);
  return true;
}

// Passes over the bins trying the
// three moves on each until a whole pass changes nothing. Bins keep their
// count and their order.
void Improve(std::vector<Bin>& bins, LooseItems& loose);

#endif  // QUARRIMEL_ENGINES_GA_LOCAL_SEARCH_H_
