// SPDX-License-Identifier: GPL-3.0-or-later
// Best Fit: each item, in list order, goes into the open bin it leaves with
// the least room (the earliest such bin on a tie); a new bin is opened only
// when no open bin can take it. The driver sorts the items largest first, so
// a run is Best Fit Decreasing.
#ifndef QUARRIMEL_ENGINES_BEST_FIT_H_
#define QUARRIMEL_ENGINES_BEST_FIT_H_

#include <cstdint>
#include <ostream>
#include <vector>

#include "engines/best_fit_room_tree.h"
#include "engines/bin_view.h"
#include "engines/optimizer.h"

class BestFit : public Optimizer {
 public:
  explicit BestFit(Input& input);
  // Writes the header to standard output under --verbose, then places every
  // item of input.items in list order, choosing exactly the bins a scan of
  // every open bin would choose, in O(log bins) per item. Afterwards
  // input.items holds the items bin after bin, in the order they were
  // placed.
  void Search() override;
  std::ostream& PrintHeader(std::ostream& out) override;
  // The bins in the order they were opened.
  std::vector<BinView> ResultBins() const override;

 private:
  // Puts an item of `size` into its bin; returns the bin.
  std::uint32_t Place(double size);
  // The bin the item goes to, or RoomTree::kNone for a new bin.
  std::uint32_t ChooseBin(double size) const;
  void AddToBin(std::uint32_t bin, double size);
  std::uint32_t OpenBin(double size);
  double Room(std::uint32_t bin) const;  // Capacity minus filled size.
  // Reorders input.items bin after bin; `bin_of` gives each item's bin and
  // is released on the way.
  void GatherByBin(std::vector<std::uint32_t>& bin_of);

  FlatBins bins_;  // The result, over input.items.
  // The bins that can still take an item.
  RoomTree rooms_;
  double smallest_item_ = 0;  // A bin with less room can take no item.
};

#endif  // QUARRIMEL_ENGINES_BEST_FIT_H_
