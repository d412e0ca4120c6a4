// SPDX-License-Identifier: GPL-3.0-or-later
// The loose items of a repair: the items that belong to no bin of the packing
// being repaired. They are always in one order: largest first; among equal
// sizes, an item appended goes behind the others and an item given back goes
// ahead of them.
//
// The order lives in rungs: one per distinct size of all the items the list
// may ever hold, largest first, each holding its loose items as a chain in
// their order. An item given back joins its rung at the front, an item
// appended at the back, and the moves only ever take the front of a rung, so
// every change costs O(1) plus a search among the rungs, however many items
// are loose. The rung searches bisect the sizes, as a bisection of the whole
// list would, and land on the very item that a scan of the list from the
// front would take.
#ifndef QUARRIMEL_ENGINES_LOOSE_ITEMS_H_
#define QUARRIMEL_ENGINES_LOOSE_ITEMS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/rung_set.h"
#include "input/item.h"

class LooseItems {
 public:
  // A rung, standing for its first loose item; kNone when there is none.
  using Rung = std::uint32_t;
  static constexpr Rung kNone = RungSet::kNone;

  // A list for the items of `all` (item ids must be distinct): only they may
  // be added later.
  explicit LooseItems(const std::vector<Item*>& all);

  // Sizes that no item, no two items and no three items of `all` (sizes
  // added in order, as the moves add them) are below; 0 when there are no
  // items. A move whose candidates all lie below them cannot trade,
  // whichever bin items it draws.
  double smallest() const { return smallest_; }
  double smallest_pair() const { return smallest_pair_; }
  double smallest_triple() const { return smallest_triple_; }

  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  // The size of the first item and of the second one.
  // REQUIRES: at least one item, for the second two.
  double FirstSize() const { return sizes_[first_]; }
  double SecondSize() const {
    if (second_ == kStale) second_ = SecondRung();
    return sizes_[second_];
  }

  // The rung of the first item. REQUIRES: at least one item.
  Rung FirstRung() const { return first_; }

  // Items are named by id. REQUIRES: the id of an item of `all`, not loose.
  // Adds `id` behind the loose items of its size.
  void Append(std::uint32_t id);
  // Adds `id` ahead of the loose items of its size.
  void GiveBack(std::uint32_t id);
  // Removes the first item of `rung` and returns its id. REQUIRES: one is
  // there.
  std::uint32_t Take(Rung rung);
  void clear();

  // The first loose item, passing over the `skip` first ones (0 or 1), whose
  // size f is `large_enough` and `fits`; kNone when none is. Along the list
  // `large_enough(f)` must turn from true to false at most once and
  // `fits(f)` from false to true at most once, as tests of f against fixed
  // sizes do on sizes that only fall; a test that cannot decide (a NaN
  // compared) counts as false for both.
  template <typename LargeEnough, typename Fits>
  Rung FirstFit(std::size_t skip, LargeEnough large_enough, Fits fits) const;

  // The items in their order, and their ids into `ids`.
  std::vector<Item*> items() const;
  void Ids(std::vector<std::uint32_t>& ids) const;

 private:
  static constexpr std::uint32_t kEnd = 0xffffffffu;  // Ends a chain.
  static constexpr Rung kStale = kNone - 1;
  Rung SecondRung() const;
  // Bookkeeping of an item added to `rung` and of one taken from it.
  void Added(Rung rung);
  void Taken(Rung rung);

  std::vector<double> sizes_;        // Per rung: its size; falling.
  std::vector<std::uint32_t> rung_;  // Per item id: its rung.
  std::vector<Item*> item_;          // Per item id: the item.
  // Per rung: its first and last item id and its item count; per item id:
  // the id after it in its rung. Chains of ids, so no change allocates.
  std::vector<std::uint32_t> head_, tail_, count_, next_;
  RungSet nonempty_;    // The rungs that hold items.
  Rung first_ = kNone;  // The first of them.
  // The rung of the second item, or kStale: the moves ask for it far more
  // often than the list changes.
  mutable Rung second_ = kStale;
  std::size_t size_ = 0;  // Loose items in all.
  double smallest_ = 0;
  double smallest_pair_ = 0;
  double smallest_triple_ = 0;
};

template <typename LargeEnough, typename Fits>
LooseItems::Rung LooseItems::FirstFit(std::size_t skip,
                                      LargeEnough large_enough,
                                      Fits fits) const {
  if (size_ <= skip) return kNone;
  // The rung of the first candidate; the rungs before it are empty but for
  // the skipped item.
  const Rung from = skip == 0 ? first_ : (SecondSize(), second_);
  if (!large_enough(sizes_[from])) return kNone;
  // The candidates start at the first rung whose size fits. Sizes only fall
  // along the rungs, so the first candidate that holds an item is large
  // enough exactly when any is: one bisection finds it.
  const auto begin = sizes_.begin();
  const Rung fits_from = static_cast<Rung>(
      std::partition_point(begin + from, sizes_.end(),
                           [&fits](double f) { return !fits(f); }) -
      begin);
  // The rung of the first candidate holds it, even when that is the rung of
  // the skipped item.
  if (fits_from == from) return from;
  const Rung rung = nonempty_.FindFrom(fits_from);
  if (rung == kNone || !large_enough(sizes_[rung])) return kNone;
  return rung;
}

#endif  // QUARRIMEL_ENGINES_LOOSE_ITEMS_H_
