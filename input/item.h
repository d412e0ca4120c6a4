// SPDX-License-Identifier: GPL-3.0-or-later
// One input item: a named thing with a size, to be placed into one bin.
#ifndef QUARRIMEL_INPUT_ITEM_H_
#define QUARRIMEL_INPUT_ITEM_H_

#include <cstddef>
#include <string_view>

struct Item {
  // The record as given (file mode) or the identifier. The bytes belong to
  // whoever made the item (the Input keeps all of its names in one block):
  // a string per item would cost an allocation and its overhead per item.
  std::string_view name;
  double size = 0;  // Bytes, block-rounded; plain numbers in plain mode.
  // Position in acceptance order (0, 1, ...). Engines identify items by it
  // rather than by address, so a seeded run repeats exactly.
  std::size_t id = 0;
};

// Strict "larger first" order used by the pre-sort and the repair steps.
inline bool BySizeDescending(const Item* a, const Item* b) {
  return a->size > b->size;
}

#endif  // QUARRIMEL_INPUT_ITEM_H_
