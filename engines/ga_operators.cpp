// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_operators.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>
#include <utility>

#include "engines/ga_random.h"

// ---- First fit -------------------------------------------------------------

void FirstFitter::Place(std::vector<Bin>& bins,
                        const std::vector<Item*>& items) {
  if (items.empty()) return;
  // Every item opens at most one bin, so this many slots always suffice.
  Build(bins, bins.size() + items.size());
  for (Item* item : items) {
    std::size_t k = FirstWithRoom(item->size, bins.size());
    if (k == bins.size()) bins.push_back(Bin{{}, 0, capacity_});
    bins[k].Add(item);
    SetRoom(k, bins[k].room());
  }
}

void FirstFitter::Build(const std::vector<Bin>& bins, std::size_t slots) {
  leaves_ = 1;
  while (leaves_ < slots) leaves_ *= 2;
  // Slots without a bin can take nothing.
  max_room_.assign(2 * leaves_, -std::numeric_limits<double>::infinity());
  for (std::size_t k = 0; k < bins.size(); ++k) {
    max_room_[leaves_ + k] = bins[k].room();
  }
  for (std::size_t node = leaves_ - 1; node >= 1; --node) {
    max_room_[node] = std::max(max_room_[2 * node], max_room_[2 * node + 1]);
  }
}

std::size_t FirstFitter::FirstWithRoom(double size, std::size_t none) const {
  // The rooms are the very values a scan would compare, so descending to the
  // leftmost subtree that holds a large enough room picks the same bin.
  if (!(max_room_[1] >= size)) return none;
  std::size_t node = 1;
  while (node < leaves_) {
    node = max_room_[2 * node] >= size ? 2 * node : 2 * node + 1;
  }
  return node - leaves_;
}

void FirstFitter::SetRoom(std::size_t position, double room) {
  std::size_t node = leaves_ + position;
  max_room_[node] = room;
  for (node /= 2; node >= 1; node /= 2) {
    max_room_[node] = std::max(max_room_[2 * node], max_room_[2 * node + 1]);
  }
}

// ---- Local search moves ----------------------------------------------------
//
// Each move's candidates form a prefix of `freeItems` (large enough loose
// items), and within it the fit test turns from false to true at most once,
// since the loose sizes only fall along the list and the compared difference
// falls with them. Bisection therefore finds exactly the item a scan from the
// front would take.

namespace {

using ItemIter = std::vector<Item*>::iterator;

// Moves the loose item at `taken` out and `displaced` in at its size
// position, which lies at `larger_end` - 1 once `taken` is gone, because the
// items between them are all larger than `displaced`.
void SwapIntoFree(ItemIter taken, ItemIter larger_end, Item* displaced) {
  std::move(taken + 1, larger_end, taken);
  *(larger_end - 1) = displaced;
}

// Removes the item at `position` from `bin`, keeping the order of the rest.
void TakeOut(Bin& bin, std::size_t position) {
  bin.used -= bin.items.SizeAt(position);
  bin.items.erase(bin.items.begin() + position);
}

struct Positions {
  std::size_t lo;
  std::size_t hi;
};

// Two different random positions among `count`, in increasing order.
Positions DrawTwoPositions(std::size_t count) {
  const std::size_t a = RandomIndex(count);
  const std::size_t b = OtherIndex(0, count - 1, a);
  // Selects rather than branches: which draw is smaller is a coin toss.
  return {a < b ? a : b, a < b ? b : a};
}

// Turns the third draw `d` into a position that is neither `two.lo` nor
// `two.hi`.
std::size_t ThirdPosition(std::size_t d, Positions two, std::size_t count) {
  // Every case is computed and the right one selected, since in small bins
  // the draw meets the first two positions often and at random.
  const std::size_t below_lo = d > 0 ? d - 1 : (two.hi == 1 ? 2 : 1);
  const std::size_t above_hi =
      d != count - 1 ? d + 1 : (two.lo == count - 2 ? count - 3 : count - 2);
  const std::size_t moved = d == two.lo ? below_lo : above_hi;
  return d == two.lo || d == two.hi ? moved : d;
}

// The three positions in increasing order.
struct Triple {
  std::size_t p, q, t;
};
Triple Sorted(std::size_t d, Positions two) {
  // d differs from both, so it goes below, between or above them.
  const std::size_t p = d < two.lo ? d : two.lo;
  const std::size_t t = d > two.hi ? d : two.hi;
  const std::size_t q = d < two.lo ? two.lo : (d > two.hi ? two.hi : d);
  return {p, q, t};
}

// Removes the loose items at positions `removed` (ascending, `r` of them)
// and adds `added` (`k` = r + 1 of them), with the same result as erasing
// the removed ones and then calling InsertBySize for each displaced item in
// turn. `added` must already be in that result's order: largest first, and
// among equal sizes the item inserted last first. Every added item goes
// ahead of the loose items of its size, so its place is the count of loose
// items larger than it.
//
// The kept items fall into at most r + k + 1 runs, each moving by its own
// offset; each run is moved once, where erasing and inserting one item at a
// time would move the tail once per step. Runs moving down go first, lowest
// first, then runs moving up, highest first: a run moving down only lands on
// removed slots or on slots that runs before it have left, and likewise
// upward, so no run overwrites items not yet moved.
void ExchangeFree(std::vector<Item*>& freeItems, const std::size_t* removed,
                  std::size_t r, Item* const* added, std::size_t k) {
  assert(k == r + 1 && k <= 3);
  const std::size_t n = freeItems.size();
  std::size_t place[3];
  for (std::size_t a = 0; a < k; ++a) {
    const double size = added[a]->size;
    place[a] = static_cast<std::size_t>(
        std::partition_point(freeItems.begin(), freeItems.end(),
                             [size](const Item* f) { return f->size > size; }) -
        freeItems.begin());
  }
  struct Run {
    std::size_t from, to, count;
  };
  Run runs[6];
  std::size_t run_count = 0;
  std::size_t slot_of_added[3];
  std::size_t src = 0;
  std::size_t dst = 0;
  std::size_t a = 0;
  std::size_t ri = 0;
  while (a < k || ri < r) {
    // The next change: an added item before original position place[a], or
    // the removed item at removed[ri]; an add at the same position as a
    // removal comes first.
    const bool add_next = a < k && (ri == r || place[a] <= removed[ri]);
    const std::size_t stop = add_next ? place[a] : removed[ri];
    if (stop > src) {
      runs[run_count++] = {src, dst, stop - src};
      dst += stop - src;
      src = stop;
    }
    if (add_next) {
      slot_of_added[a++] = dst++;
    } else {
      ++src;
      ++ri;
    }
  }
  if (n > src) runs[run_count++] = {src, dst, n - src};
  freeItems.push_back(nullptr);
  Item** data = freeItems.data();
  for (std::size_t i = 0; i < run_count; ++i) {
    const Run& run = runs[i];
    if (run.to < run.from) {
      std::memmove(data + run.to, data + run.from, run.count * sizeof(Item*));
    }
  }
  for (std::size_t i = run_count; i-- > 0;) {
    const Run& run = runs[i];
    if (run.to > run.from) {
      std::memmove(data + run.to, data + run.from, run.count * sizeof(Item*));
    }
  }
  for (std::size_t i = 0; i < k; ++i) data[slot_of_added[i]] = added[i];
}

// A walk over the bins of a packing waits on memory: in a large population
// the packing is usually out of the nearer caches. Asking for a bin some
// places ahead hides that wait.
void PrefetchAhead(const std::vector<Bin>& bins, std::size_t k) {
#if defined(__GNUC__)
  constexpr std::size_t kAhead = 16;
  if (k + kAhead < bins.size()) {
    const char* bin = reinterpret_cast<const char*>(&bins[k + kAhead]);
    __builtin_prefetch(bin);
    __builtin_prefetch(bin + sizeof(Bin) - 1);
  }
#else
  (void)bins;
  (void)k;
#endif
}

}  // namespace

void InsertBySize(std::vector<Item*>& freeItems, Item* item) {
  auto at = std::partition_point(
      freeItems.begin(), freeItems.end(),
      [item](const Item* f) { return f->size > item->size; });
  freeItems.insert(at, item);
}

namespace {

// Each move is split in two: the draws and the quick refusals, which is
// all that most calls do and runs inline in the local search pass, and the
// search of the loose list and the exchange, out of line.

#if defined(__GNUC__)
#define QUARRIMEL_NOINLINE __attribute__((noinline))
#else
#define QUARRIMEL_NOINLINE
#endif

QUARRIMEL_NOINLINE bool FinishReplaceOne(Bin& bin,
                                         std::vector<Item*>& freeItems,
                                         std::size_t j, double x_size,
                                         double room) {
  auto larger_end = std::partition_point(
      freeItems.begin(), freeItems.end(),
      [x_size](const Item* f) { return f->size > x_size; });
  // The last candidate is the one most likely to fit.
  if (!(room >= larger_end[-1]->size - x_size)) return false;
  auto taken = std::partition_point(
      freeItems.begin(), larger_end,
      [x_size, room](const Item* f) { return !(room >= f->size - x_size); });
  Item* f = *taken;
  SwapIntoFree(taken, larger_end, bin.items[j]);
  bin.items.Set(j, f);
  bin.used += f->size - x_size;
  return true;
}

inline bool TryReplaceOne(Bin& bin, std::vector<Item*>& freeItems) {
  if (freeItems.empty()) return false;
  assert(!bin.items.empty());
  const std::size_t j = RandomIndex(bin.items.size());
  const double room = bin.room();
  // Quick refusals: a strictly larger item never fits a bin without room,
  // and none may be loose at all.
  if (!(room > 0)) return false;
  const double x_size = bin.items.SizeAt(j);
  if (!(freeItems.front()->size > x_size)) return false;
  return FinishReplaceOne(bin, freeItems, j, x_size, room);
}

QUARRIMEL_NOINLINE bool FinishReplaceTwoByOne(Bin& bin,
                                              std::vector<Item*>& freeItems,
                                              Positions two, double w,
                                              double room) {
  auto large_end =
      std::partition_point(freeItems.begin(), freeItems.end(),
                           [w](const Item* f) { return !(f->size < w); });
  if (!(room >= large_end[-1]->size - w)) return false;
  auto taken = std::partition_point(
      freeItems.begin(), large_end,
      [w, room](const Item* f) { return !(room >= f->size - w); });
  Item* f = *taken;
  Item* const low = bin.items[two.lo];
  Item* const high = bin.items[two.hi];
  const bool low_larger = bin.items.SizeAt(two.lo) > bin.items.SizeAt(two.hi);
  // InsertBySize of low and then high puts high first among equal sizes.
  Item* const added[2] = {low_larger ? low : high, low_larger ? high : low};
  const std::size_t removed[1] = {
      static_cast<std::size_t>(taken - freeItems.begin())};
  ExchangeFree(freeItems, removed, 1, added, 2);
  TakeOut(bin, two.hi);
  TakeOut(bin, two.lo);
  bin.Add(f);
  return true;
}

inline bool TryReplaceTwoByOne(Bin& bin, std::vector<Item*>& freeItems) {
  if (freeItems.empty()) return false;
  assert(bin.items.size() >= 2);
  const Positions two = DrawTwoPositions(bin.items.size());
  const double room = bin.room();
  // Quick refusals: an item of at least w never fits a bin with negative
  // room, and the scan stops at once below w.
  if (room < 0) return false;
  const double w = bin.items.SizeAt(two.lo) + bin.items.SizeAt(two.hi);
  if (freeItems.front()->size < w) return false;
  return FinishReplaceTwoByOne(bin, freeItems, two, w, room);
}

QUARRIMEL_NOINLINE bool FinishReplaceThreeByTwo(Bin& bin,
                                                std::vector<Item*>& freeItems,
                                                Triple three, double w,
                                                double room) {
  Item* f0 = freeItems.front();
  auto large_end = std::partition_point(
      freeItems.begin() + 1, freeItems.end(),
      [w, f0](const Item* f) { return !(f->size + f0->size < w); });
  if (!(room >= large_end[-1]->size + f0->size - w)) return false;
  auto taken = std::partition_point(freeItems.begin() + 1, large_end,
                                    [w, f0, room](const Item* f) {
                                      return !(room >= f->size + f0->size - w);
                                    });
  Item* f = *taken;
  Item* const chosen[3] = {bin.items[three.p], bin.items[three.q],
                           bin.items[three.t]};
  // The order InsertBySize of chosen[0], [1], [2] in turn leaves: largest
  // first and, among equal sizes, the later inserted first. Insertion sort
  // of the reversed sequence keeps that tie order.
  Item* added[3] = {chosen[2], chosen[1], chosen[0]};
  for (std::size_t i = 1; i < 3; ++i) {
    for (std::size_t j = i; j > 0 && added[j]->size > added[j - 1]->size; --j) {
      std::swap(added[j], added[j - 1]);
    }
  }
  const std::size_t removed[2] = {
      0, static_cast<std::size_t>(taken - freeItems.begin())};
  ExchangeFree(freeItems, removed, 2, added, 3);
  TakeOut(bin, three.t);
  TakeOut(bin, three.q);
  TakeOut(bin, three.p);
  bin.Add(f0);
  bin.Add(f);
  return true;
}

inline bool TryReplaceThreeByTwo(Bin& bin, std::vector<Item*>& freeItems) {
  if (freeItems.size() < 2) return false;
  const std::size_t m = bin.items.size();
  assert(m >= 3);
  const Positions two = DrawTwoPositions(m);
  const std::size_t d = ThirdPosition(RandomIndex(m), two, m);
  const double room = bin.room();
  // Quick refusals, as in ReplaceTwoByOne, for the largest pair.
  if (room < 0) return false;
  const Triple three = Sorted(d, two);
  const double w = bin.items.SizeAt(three.p) + bin.items.SizeAt(three.q) +
                   bin.items.SizeAt(three.t);
  if (freeItems[1]->size + freeItems[0]->size < w) return false;
  return FinishReplaceThreeByTwo(bin, freeItems, three, w, room);
}

// Tries the three moves on one bin; item counts are read before each move
// because the previous one may have changed them.
inline bool ImproveBin(Bin& bin, std::vector<Item*>& freeItems) {
  bool changed = false;
  if (bin.items.size() >= 3) changed |= TryReplaceThreeByTwo(bin, freeItems);
  if (bin.items.size() >= 2) changed |= TryReplaceTwoByOne(bin, freeItems);
  if (!bin.items.empty()) changed |= TryReplaceOne(bin, freeItems);
  return changed;
}

}  // namespace

bool ReplaceOne(Bin& bin, std::vector<Item*>& freeItems) {
  return TryReplaceOne(bin, freeItems);
}

bool ReplaceTwoByOne(Bin& bin, std::vector<Item*>& freeItems) {
  return TryReplaceTwoByOne(bin, freeItems);
}

bool ReplaceThreeByTwo(Bin& bin, std::vector<Item*>& freeItems) {
  return TryReplaceThreeByTwo(bin, freeItems);
}

void Improve(std::vector<Bin>& bins, std::vector<Item*>& freeItems) {
  if (freeItems.empty()) return;
  std::sort(freeItems.begin(), freeItems.end(), BySizeDescending);
  // Every change fills some bin further or, at the same fill, leaves it
  // fewer items, so the passes come to an end.
  bool changed = true;
  while (changed) {
    changed = false;
    for (std::size_t k = 0; k < bins.size(); ++k) {
      PrefetchAhead(bins, k);
      changed |= ImproveBin(bins[k], freeItems);
    }
  }
}

// ---- Crossover and mutation ------------------------------------------------

GaOperators::GaOperators(double capacity, std::size_t item_count)
    : first_fit_(capacity), donated_(item_count, 0) {}

void GaOperators::Reinsert(std::vector<Bin>& bins,
                           std::vector<Item*>& freeItems) {
  Improve(bins, freeItems);
  if (freeItems.empty()) return;
  // Sorted again although Improve left it sorted: an unstable sort may still
  // reorder items of equal size, and that order decides which bins they
  // reach.
  std::sort(freeItems.begin(), freeItems.end(), BySizeDescending);
  FirstFit(bins, freeItems);
  freeItems.clear();
}

void GaOperators::Mutate(std::vector<Bin>& bins) {
  const std::size_t k = RandomIndex(bins.size());
  free_items_.assign(bins[k].items.begin(), bins[k].items.end());
  bins.erase(bins.begin() + k);
  Reinsert(bins, free_items_);
}

void GaOperators::Crossover(const Individual& p1, const Individual& p2,
                            Individual& c1, Individual& c2) {
  assert(p1.bins.size() >= 2 && p2.bins.size() >= 2);
  const Section s1 = DrawSection(p1.bins.size());
  const Section s2 = DrawSection(p2.bins.size());
  BuildChild(p1, p2, s2, s1.first, first_child_);
  BuildChild(p2, p1, s1, s2.first, second_child_);
  // Only now are the children written, so neither read a replaced parent;
  // the swapped-out bins keep their storage for the next children.
  c1.bins.swap(first_child_);
  c2.bins.swap(second_child_);
}

GaOperators::Section GaOperators::DrawSection(std::size_t bin_count) const {
  const std::size_t a = RandomIndex(bin_count);
  const std::size_t b = OtherIndex(0, bin_count - 1, a);
  return {std::min(a, b), std::max(a, b)};
}

void GaOperators::BuildChild(const Individual& receiver,
                             const Individual& donor, Section donated,
                             std::size_t insert_at, std::vector<Bin>& child) {
  free_items_.clear();
  InjectSection(receiver, donor, donated.first, donated.last, insert_at, child,
                free_items_);
  Reinsert(child, free_items_);
}

namespace {

// Copies `bin` into slot `count` of `bins`, reusing the bin already there.
void PutCopy(std::vector<Bin>& bins, std::size_t& count, const Bin& bin) {
  if (count < bins.size()) {
    bins[count] = bin;
  } else {
    bins.push_back(bin);
  }
  ++count;
}

}  // namespace

void GaOperators::InjectSection(const Individual& receiver,
                                const Individual& donor, std::size_t first,
                                std::size_t last, std::size_t insert_at,
                                std::vector<Bin>& child,
                                std::vector<Item*>& freeItems) {
  MarkDonors(donor.bins, {first, last});
  std::size_t count = 0;
  for (std::size_t k = 0; k < insert_at; ++k) {
    PrefetchAhead(receiver.bins, k);
    const Bin& bin = receiver.bins[k];
    if (!Conflicts(bin, freeItems)) PutCopy(child, count, bin);
  }
  for (std::size_t k = first; k <= last; ++k) {
    PrefetchAhead(donor.bins, k);
    PutCopy(child, count, donor.bins[k]);
  }
  for (std::size_t k = insert_at; k < receiver.bins.size(); ++k) {
    PrefetchAhead(receiver.bins, k);
    const Bin& bin = receiver.bins[k];
    if (!Conflicts(bin, freeItems)) PutCopy(child, count, bin);
  }
  child.erase(child.begin() + count, child.end());
}

void GaOperators::MarkDonors(const std::vector<Bin>& bins, Section donated) {
  if (++stamp_ == 0) {  // Wrapped: old marks could pass for new ones.
    std::fill(donated_.begin(), donated_.end(), 0);
    stamp_ = 1;
  }
  for (std::size_t k = donated.first; k <= donated.last; ++k) {
    PrefetchAhead(bins, k);
    const ItemList& items = bins[k].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::size_t id = items.IdAt(i);
      if (id >= donated_.size()) donated_.resize(id + 1, 0);
      donated_[id] = stamp_;
    }
  }
}

bool GaOperators::IsDonated(std::size_t id) const {
  return id < donated_.size() && donated_[id] == stamp_;
}

bool GaOperators::Conflicts(const Bin& bin,
                            std::vector<Item*>& freeItems) const {
  const ItemList& items = bin.items;
  std::size_t shared = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    shared += IsDonated(items.IdAt(i));
  }
  if (shared == 0) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!IsDonated(items.IdAt(i))) freeItems.push_back(items[i]);
  }
  return true;
}
