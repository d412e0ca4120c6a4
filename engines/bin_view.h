// SPDX-License-Identifier: GPL-3.0-or-later
// A bin of a finished packing, as the printer and the checks read it.
#ifndef QUARRIMEL_ENGINES_BIN_VIEW_H_
#define QUARRIMEL_ENGINES_BIN_VIEW_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/bin.h"
#include "input/item.h"

// The bin's items lie side by side in an array that the engine keeps alive.
// Best Fit and Split keep a whole packing as one such array (the Input's item
// list, in bin order) with a filled size and an item count per bin, instead of
// an item list per bin; the genetic algorithm's bins are read through views
// of their own lists.
struct BinView {
  Item* const* items = nullptr;  // The first item.
  std::size_t count = 0;         // Number of items.
  double used = 0;               // Filled size.
  double capacity = 0;           // The target when the bin was opened.

  double room() const { return capacity - used; }
  Item* const* begin() const { return items; }
  Item* const* end() const { return items + count; }
};

// Views of `bins`, in their order; valid while the bins are not changed.
inline std::vector<BinView> ViewsOf(const std::vector<Bin>& bins) {
  std::vector<BinView> views;
  views.reserve(bins.size());
  for (const Bin& bin : bins) {
    views.push_back(
        BinView{bin.items.begin(), bin.items.size(), bin.used, bin.capacity});
  }
  return views;
}

// A packing held bin after bin in one item array: per bin only its filled
// size and its item count. Every bin has the same capacity.
struct FlatBins {
  std::vector<double> used;
  std::vector<std::uint32_t> counts;

  // Views of the bins, with `items` holding their items bin after bin.
  std::vector<BinView> Views(const std::vector<Item*>& items,
                             double capacity) const {
    std::vector<BinView> views;
    views.reserve(used.size());
    std::size_t start = 0;
    for (std::size_t b = 0; b < used.size(); ++b) {
      views.push_back(
          BinView{items.data() + start, counts[b], used[b], capacity});
      start += counts[b];
    }
    return views;
  }
};

#endif  // QUARRIMEL_ENGINES_BIN_VIEW_H_
