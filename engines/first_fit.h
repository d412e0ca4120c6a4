// SPDX-License-Identifier: GPL-3.0-or-later
// First fit: each item goes into the first bin with room for it, a new bin
// opening at the end when none has.
#ifndef QUARRIMEL_ENGINES_FIRST_FIT_H_
#define QUARRIMEL_ENGINES_FIRST_FIT_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/packing.h"

// Places items first fit. Each item's bin is found in O(log bins) through a
// tree of the largest room under every node, yet the choice is exactly the
// one a scan from the first bin would make. Each node has eight children,
// side by side: a descent reads one short run of memory per level, and
// there are a third as many levels as with two children.
class FirstFitter {
 public:
  // Adds each of the `count` items `ids` (sizes by id in `sizes`), in order,
  // to the first bin of `packing` whose room is at least its size, opening a
  // bin at the end when none has room; then lays the bins end to end, each
  // with its own items first and the added ones after. Bin k's items start
  // at starts[k] in the packing's ids (the packing need not be at rest).
  void Place(Packing& packing, const std::vector<std::uint32_t>& starts,
             const std::uint32_t* ids, std::size_t count, const double* sizes);
  // After Place: for each item placed, in order, the bin it went into.
  const std::vector<std::uint32_t>& placed_bins() const { return bin_of_; }

 private:
  void Build(const Packing& packing, std::size_t slots);
  // Position of the first bin with room for `size`, or `none` if none has.
  std::size_t FirstWithRoom(double size, std::size_t none) const;
  void SetRoom(std::size_t position, double room);
  // Lays the bins end to end with the items added to them.
  void Rebuild(Packing& packing, const std::vector<std::uint32_t>& starts,
               std::size_t old_bins, const std::uint32_t* ids,
               std::size_t count);

  static double LargestOf(const double* group);  // Of kFanOut rooms.
  static void CopyIds(const std::uint32_t* from, std::uint32_t count,
                      std::uint32_t* to);

  static constexpr std::size_t kFanOut = 8;
  // The rooms of every level, the bins' own first and the root's last; each
  // level is padded to whole groups of kFanOut with rooms that take nothing.
  std::vector<double> rooms_;
  std::vector<std::size_t> level_start_;
  // Per bin: items added; per item placed: its bin. Kept for reuse.
  std::vector<std::uint32_t> added_, bin_of_, next_slot_;
  std::vector<std::uint32_t> spare_ids_;  // The ids of the rebuilt block.
};

#endif  // QUARRIMEL_ENGINES_FIRST_FIT_H_
