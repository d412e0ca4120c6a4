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
// the loose items (sorted largest first), trades only when the bin's room stays
// non-negative, keeps the loose items sorted, and returns whether it changed
// anything. With too few loose items a move changes nothing and draws nothing.

// Each move's candidates form a prefix of the loose items (those large
// enough), and within it the fit test turns from false to true at most once,
// since the loose sizes only fall along the list and the compared difference
// falls with them. Bisection therefore finds exactly the item a scan from the
// front would take.

// Trades a randomly chosen bin item for the first loose item that is strictly
// larger and fits in its place.
// REQUIRES: the bin holds at least one item.
inline bool ReplaceOne(Bin& bin, LooseItems& loose) {
  if (loose.empty()) return false;
  assert(!bin.items.empty());
  const double room = bin.room();
  // A strictly larger item never fits a full bin, and none may be loose.
  if (!(room > 0) || !(loose.SizeAt(0) > loose.smallest())) {
    SkipDraws(1);
    return false;
  }
  const std::size_t j = RandomIndex(bin.items.size());
  const double x = bin.items.SizeAt(j);
  if (!(loose.SizeAt(0) > x)) return false;
  const std::size_t larger =
      loose.CountWhile(0, loose.size(), [x](double f) { return f > x; });
  // The last candidate, the smallest, is the one most likely to fit.
  if (!(room >= loose.SizeAt(larger - 1) - x)) return false;
  const std::size_t taken = loose.CountWhile(
      0, larger, [x, room](double f) { return !(room >= f - x); });
  Item* const f = loose[taken];
  Item* const given[1] = {bin.items[j]};
  loose.Exchange(&taken, 1, given, 1);
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
  // The scan stops at once at a loose item smaller than the pair.
  if (loose.SizeAt(0) < loose.smallest_pair()) {
    SkipDraws(2);
    return false;
  }
  const TwoPositions two = DrawTwoPositions(bin.items.size());
  const double room = bin.room();
  const double w = bin.items.SizeAt(two.lo) + bin.items.SizeAt(two.hi);
  if (room < 0 || loose.SizeAt(0) < w) return false;
  const std::size_t large =
      loose.CountWhile(0, loose.size(), [w](double f) { return !(f < w); });
  if (!(room >= loose.SizeAt(large - 1) - w)) return false;
  const std::size_t taken = loose.CountWhile(
      0, large, [w, room](double f) { return !(room >= f - w); });
  Item* const f = loose[taken];
  Item* const given[2] = {bin.items[two.lo], bin.items[two.hi]};
  loose.Exchange(&taken, 1, given, 2);
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
  // The largest loose item goes in with each other one in turn; the scan
  // stops at once when even the largest pair is smaller than the three.
  if (loose.SizeAt(1) + loose.SizeAt(0) < loose.smallest_triple()) {
    SkipDraws(3);
    return false;
  }
  const ThreePositions three = DrawThreePositions(bin.items.size());
  const double room = bin.room();
  const double w = bin.items.SizeAt(three.p) + bin.items.SizeAt(three.q) +
                   bin.items.SizeAt(three.t);
  const double f0 = loose.SizeAt(0);
  if (room < 0 || loose.SizeAt(1) + f0 < w) return false;
  const std::size_t large = loose.CountWhile(
      1, loose.size(), [w, f0](double f) { return !(f + f0 < w); });
  if (!(room >= loose.SizeAt(large - 1) + f0 - w)) return false;
  const std::size_t partner = loose.CountWhile(
      1, large, [w, f0, room](double f) { return !(room >= f + f0 - w); });
  Item* const largest = loose[0];
  Item* const f = loose[partner];
  const std::size_t taken[2] = {0, partner};
  Item* const given[3] = {bin.items[three.p], bin.items[three.q],
                          bin.items[three.t]};
  loose.Exchange(taken, 2, given, 3);
  bin.Remove(three.t);
  bin.Remove(three.q);
  bin.Remove(three.p);
  bin.Add(largest);
  bin.Add(f);
  return true;
}

// Sorts the loose items largest first, then passes over the bins trying the
// three moves on each until a whole pass changes nothing. Bins keep their
// count and their order.
void Improve(std::vector<Bin>& bins, LooseItems& loose);

#endif  // QUARRIMEL_ENGINES_GA_LOCAL_SEARCH_H_
