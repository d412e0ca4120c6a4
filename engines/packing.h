// SPDX-License-Identifier: GPL-3.0-or-later
// A packing of the genetic algorithm as one block: the ids of all its items,
// bin after bin, and per bin its filled size and item count. Copying a
// packing copies three arrays; walking it reads memory in order; no bin has
// storage of its own. Item sizes are read by id from one table shared by all
// packings.
#ifndef QUARRIMEL_ENGINES_PACKING_H_
#define QUARRIMEL_ENGINES_PACKING_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Two sizes per bin that tell the repair's local search at once whether any
// of its moves could trade on the bin: the least loose item that could
// replace one or two of its items, and the least sum of two that could
// replace three. Kept as floats rounded down (see SettledBins).
struct BinKeys {
  float one, three;
};

struct Packing {
  // Bin after bin, each bin's items in the order they were added. While a
  // repair runs, a bin may end before the next one starts (the starts are
  // then kept beside); at rest the bins lie end to end.
  std::vector<std::uint32_t> ids;
  std::vector<double> used;           // Per bin: the filled size.
  std::vector<std::uint32_t> counts;  // Per bin: the item count.
  double capacity = 0;                // Of every bin.
  // Per bin, its keys; or empty, when the packing does not carry them.
  std::vector<BinKeys> keys;

  std::size_t size() const { return used.size(); }  // The bin count.
  bool empty() const { return used.empty(); }
  bool carries_keys() const { return keys.size() == used.size(); }
  double room(std::size_t bin) const { return capacity - used[bin]; }
  void clear() {
    ids.clear();
    used.clear();
    counts.clear();
    keys.clear();
  }
  // Adds a bin of the `count` ids from `first`, filled to `fill`.
  void AddBin(const std::uint32_t* first, std::uint32_t count, double fill) {
    ids.insert(ids.end(), first, first + count);
    used.push_back(fill);
    counts.push_back(count);
  }
};

// Where each bin of a packing at rest starts in its ids, into `starts`.
inline void StartsOf(const Packing& packing,
                     std::vector<std::uint32_t>& starts) {
  starts.resize(packing.size());
  std::uint32_t start = 0;
  for (std::size_t k = 0; k < packing.size(); ++k) {
    starts[k] = start;
    start += packing.counts[k];
  }
}

// The items of bins from..to - 1 of a packing at rest.
inline std::uint32_t ItemsIn(const Packing& packing, std::size_t from,
                             std::size_t to) {
  std::uint32_t items = 0;
  for (std::size_t k = from; k < to; ++k) items += packing.counts[k];
  return items;
}

// Where bin `bin` of a packing at rest starts. Its bins lie end to end, so
// the bins after it tell as well as those before: the fewer are added up.
inline std::uint32_t StartOf(const Packing& packing, std::size_t bin) {
  if (bin <= packing.size() / 2) return ItemsIn(packing, 0, bin);
  return static_cast<std::uint32_t>(packing.ids.size()) -
         ItemsIn(packing, bin, packing.size());
}

// One bin of a packing, for the moves of the repair: they change its items
// in place, and never make it hold more items than it had.
struct BinSlice {
  std::uint32_t* ids;  // The first item's id.
  std::uint32_t& count;
  double& used;
  double capacity;
  const double* sizes;  // Item sizes by id.

  double room() const { return capacity - used; }
  double SizeAt(std::size_t position) const { return sizes[ids[position]]; }
  // Removes the item at `position`, keeping the order of the rest.
  void Remove(std::size_t position) {
    used -= SizeAt(position);
    std::memmove(ids + position, ids + position + 1,
                 (count - position - 1) * sizeof(std::uint32_t));
    --count;
  }
  // Adds `id` at the end. REQUIRES: an item was removed before.
  void Add(std::uint32_t id) {
    ids[count++] = id;
    used += sizes[id];
  }
};

#endif  // QUARRIMEL_ENGINES_PACKING_H_
