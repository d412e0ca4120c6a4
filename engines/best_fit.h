// SPDX-License-Identifier: GPL-3.0-or-later
// Best Fit: each item, in list order, goes into the open bin it leaves with
// the least room (the earliest such bin on a tie); a new bin is opened only
// when no open bin can take it. The driver sorts the items largest first, so
// a run is Best Fit Decreasing.
#ifndef QUARRIMEL_ENGINES_BEST_FIT_H_
#define QUARRIMEL_ENGINES_BEST_FIT_H_

#include <cstddef>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "engines/optimizer.h"

class BestFit : public Optimizer {
 public:
  explicit BestFit(Input& input);
  // Writes the header to standard output under --verbose, then places every
  // item of input.items in list order, choosing exactly the bins a scan of
  // every open bin would choose, in O(log bins) per item.
  void Search() override;
  std::ostream& PrintHeader(std::ostream& out) override;

 private:
  // (room, position) of every bin that can still take an item, so the
  // smallest fitting room is one lookup away and equal rooms come out
  // earliest bin first.
  using RoomIndex = std::set<std::pair<double, std::size_t>>;

  // The entry of the bin the item goes to, or rooms.end() for a new bin.
  RoomIndex::iterator ChooseBin(RoomIndex& rooms, double size) const;
  void AddToBin(RoomIndex& rooms, RoomIndex::iterator entry, Item* item);
  void OpenBin(RoomIndex& rooms, Item* item);

  std::vector<Bin> bins_;     // The result.
  double smallest_item_ = 0;  // A bin with less room can take no item.
};

#endif  // QUARRIMEL_ENGINES_BEST_FIT_H_
