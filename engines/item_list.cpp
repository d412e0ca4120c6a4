// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/item_list.h"

#include <algorithm>

ItemList& ItemList::AssignFromHeap(const ItemList& other) {
  if (this == &other) return *this;
  if (!other.OnHeap()) {
    // A heap block held here is given up for the inline copy.
    Release();
    capacity_ = kInlineItems;
    inline_ = other.inline_;
  } else {
    if (other.size_ > capacity_) {
      Reallocate(std::max<std::size_t>(other.size_, kSmallBlock), 0);
    }
    CopyEntries(other.Items(), other.Sizes(), other.Ids(), other.size_);
  }
  size_ = other.size_;
  return *this;
}
