// SPDX-License-Identifier: GPL-3.0-or-later
// One bin of a packing.
#ifndef QUARRIMEL_ENGINES_BIN_H_
#define QUARRIMEL_ENGINES_BIN_H_

#include <cstddef>

#include "engines/item_list.h"
#include "input/item.h"

struct Bin {
  ItemList items;       // Not owned; in the order they were added.
  double used = 0;      // Filled size (same unit as the item sizes).
  double capacity = 0;  // The target when the bin was opened.

  double room() const { return capacity - used; }
  void Add(Item* item) {
    items.push_back(item);
    used += item->size;
  }
  // Removes the item at `position`, keeping the order of the rest.
  void Remove(std::size_t position) {
    used -= items.SizeAt(position);
    items.erase(items.begin() + position);
  }
};

#endif  // QUARRIMEL_ENGINES_BIN_H_
