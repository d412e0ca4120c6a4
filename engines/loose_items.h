// SPDX-License-Identifier: GPL-3.0-or-later
// The loose items of a repair: the items that belong to no bin of the packing
// being repaired. Once sorted they stay largest first, so that a search for
// an item of some size is a bisection and an item given back goes in at its
// size position.
#ifndef QUARRIMEL_ENGINES_LOOSE_ITEMS_H_
#define QUARRIMEL_ENGINES_LOOSE_ITEMS_H_

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "input/item.h"

class LooseItems {
 public:
  LooseItems() = default;
  // `smallest` is a size no item of the packing is below.
  explicit LooseItems(double smallest)
      : smallest_pair_(smallest + smallest),
        smallest_triple_(smallest + smallest + smallest),
        smallest_(smallest) {}
  explicit LooseItems(const std::vector<Item*>& items) {
    for (Item* item : items) Append(item);
  }

  // Sizes that no item, no two items and no three items of the packing
  // (sizes added in order, as the moves add them) are below; 0 when unknown.
  // A move whose candidates all lie below them cannot trade, whichever bin
  // items it draws.
  double smallest() const { return smallest_; }
  double smallest_pair() const { return smallest_pair_; }
  double smallest_triple() const { return smallest_triple_; }

  const std::vector<Item*>& items() const { return items_; }
  bool empty() const { return items_.empty(); }
  std::size_t size() const { return items_.size(); }
  Item* operator[](std::size_t k) const { return items_[k]; }
  // The size of the item at `k`.
  double SizeAt(std::size_t k) const { return sizes_[k]; }

  void clear() {
    items_.clear();
    sizes_.clear();
  }
  // Adds `item` at the end, out of order.
  void Append(Item* item) {
    items_.push_back(item);
    sizes_.push_back(item->size);
  }

  // Orders the items largest first; items of equal size keep the order they
  // had. A seeded run depends on this order, so it is the program's own and
  // not whatever a library's unstable sort leaves.
  void Sort();

  // The number of leading items for which `holds` is true. REQUIRES: `holds`
  // is true on a prefix of the items and false after it, as size tests are
  // on a sorted list.
  template <typename Test>
  std::size_t CountWhile(std::size_t from, std::size_t to, Test holds) const {
    return static_cast<std::size_t>(std::partition_point(sizes_.begin() + from,
                                                         sizes_.begin() + to,
                                                         holds) -
                                    sizes_.begin());
  }

  // Removes the items at positions `taken` (ascending, `taken_count` of
  // them) and puts each of `given` (`given_count` of them, at most 3) in at
  // its size position, in the order given: ahead of every item of its size,
  // so of equal given sizes the later one ends up first. The result is that
  // of erasing and inserting one at a time, but every item moves once.
  // REQUIRES: sorted; given_count <= 3 and taken_count <= 2.
  void Exchange(const std::size_t* taken, std::size_t taken_count,
                Item* const* given, std::size_t given_count);

 private:
  std::vector<Item*> items_;  // Largest first once sorted.
  // The items' sizes, in the same order: the searches and the moves' tests
  // read them here, in order, rather than from each item.
  std::vector<double> sizes_;
  double smallest_pair_ = 0;
  double smallest_triple_ = 0;
  double smallest_ = 0;
};

#endif  // QUARRIMEL_ENGINES_LOOSE_ITEMS_H_
