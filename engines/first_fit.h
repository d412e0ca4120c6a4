// SPDX-License-Identifier: GPL-3.0-or-later
// First fit: each item goes into the first bin with room for it, a new bin
// opening at the end when none has.
#ifndef QUARRIMEL_ENGINES_FIRST_FIT_H_
#define QUARRIMEL_ENGINES_FIRST_FIT_H_

#include <cstddef>
#include <vector>

#include "engines/bin.h"
#include "input/item.h"

// Places items first fit. Each item's bin is found in O(log bins) through a
// tree of the largest room under every node, yet the choice is exactly the
// one a scan from the first bin would make.
class FirstFitter {
 public:
  explicit FirstFitter(double capacity) : capacity_(capacity) {}

  // Adds each item of `items`, in order, to the first bin of `bins` whose
  // room is at least its size; opens a bin of the capacity at the end when
  // none has room.
  void Place(std::vector<Bin>& bins, const std::vector<Item*>& items);

 private:
  void Build(const std::vector<Bin>& bins, std::size_t slots);
  // Position of the first bin with room for `size`, or `none` if none has.
  std::size_t FirstWithRoom(double size, std::size_t none) const;
  void SetRoom(std::size_t position, double room);

  double capacity_;               // Of every bin opened.
  std::size_t leaves_ = 0;        // Bin slots in the tree, a power of two.
  std::vector<double> max_room_;  // Heap layout; node 1 is the root.
};

#endif  // QUARRIMEL_ENGINES_FIRST_FIT_H_
