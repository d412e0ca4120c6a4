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
// one a scan from the first bin would make. The tree holds only the bins
// with room for the smallest item to place, in order: no other can take
// any. Each node has eight children, side by side: a descent reads one
// short run of memory per level, and there are a third as many levels as
// with two children.
class FirstFitter {
 public:
  // Adds each of the `count` items `ids` (sizes by id in `sizes`), in order,
  // to the first bin of `packing` whose room is at least its size, opening a
  // bin at the end when none has room; then lays the bins end to end, each
  // with its own items first and the added ones after. Bin k's items start
  // at starts[k] in the packing's ids, and each bin's items reach up to the
  // next one's start (the last one's to the end of the ids) but for the bins
  // in `gapped` (ascending), which may end before it: the packing need not
  // be at rest. On return starts[k] holds
  // where bin k starts now for every bin that took an item.
  void Place(Packing& packing, std::vector<std::uint32_t>& starts,
             const std::vector<std::uint32_t>& gapped, const std::uint32_t* ids,
             std::size_t count, const double* sizes);
  // After Place: for each item placed, in order, the bin it went into.
  const std::vector<std::uint32_t>& placed_bins() const { return bin_of_; }

 private:
  // The bins of `packing` that could take one of the `count` items `ids`.
  void FindCandidates(const Packing& packing, const std::uint32_t* ids,
                      std::size_t count, const double* sizes);
  // Adds an empty bin at the end of `packing`, and as the last candidate.
  void OpenBin(Packing& packing);
  // Builds the tree over the candidates' rooms with `slots` leaves.
  void Build(const Packing& packing, std::size_t slots);
  // Slot of the first candidate with room for `size`, or `none` if none has.
  std::size_t FirstWithRoom(double size, std::size_t none) const;
  void SetRoom(std::size_t position, double room);  // Of a slot.
  // Lays the bins end to end with the items added to them, and the new
  // starts of the bins that took any into `starts`. Only the ends of runs
  // of bins that lie end to end and take nothing are looked at: the gapped
  // bins and those that took items.
  void Rebuild(Packing& packing, std::vector<std::uint32_t>& starts,
               const std::vector<std::uint32_t>& gapped, std::size_t old_bins,
               const std::uint32_t* ids, std::size_t count);
  // Copies the ids of bins first..last of `packing`, which lie end to end
  // but for the last one's end, to `at` in the rebuilt block; returns where
  // they end there.
  std::uint32_t CopyRun(const Packing& packing,
                        const std::vector<std::uint32_t>& starts,
                        std::size_t first, std::size_t last, std::uint32_t at);
  // Where the items added to the opened bins go: from `at` on, the first
  // opened bin's slot `slot` or after.
  void LayOutOpened(Packing& packing, std::vector<std::uint32_t>& starts,
                    std::size_t slot, std::uint32_t at);
  // The items of the packing's first `old_bins` bins and the `count` added.
  static std::size_t ItemsAfter(const Packing& packing,
                                const std::vector<std::uint32_t>& starts,
                                const std::vector<std::uint32_t>& gapped,
                                std::size_t old_bins, std::size_t count);
  // The first candidate from `slot` on that took an item, or candidates_.
  std::size_t NextAdded(std::size_t slot) const;

  static double LargestOf(const double* group);  // Of kFanOut rooms.

  static constexpr std::size_t kFanOut = 8;
  // The rooms of every level, the candidates' own first and the root's
  // last; each level is padded to whole groups of kFanOut with rooms that
  // take nothing.
  std::vector<double> rooms_;
  std::vector<std::size_t> level_start_;
  // The bins the tree holds, in order (slot by slot), and their count.
  std::vector<std::uint32_t> candidate_;
  std::size_t candidates_ = 0;
  // Per candidate: items added, then where the next goes; per item placed:
  // its bin and its candidate slot. Kept for reuse.
  std::vector<std::uint32_t> added_, next_slot_, bin_of_, slot_of_;
  std::vector<std::uint32_t> spare_ids_;  // The ids of the rebuilt block.
};

#endif  // QUARRIMEL_ENGINES_FIRST_FIT_H_
