// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/first_fit.h"

#include <algorithm>
#include <limits>

void FirstFitter::Place(std::vector<Bin>& bins,
                        const std::vector<Item*>& items) {
  if (items.empty()) return;
  // Every item opens at most one bin, so this many slots always suffice.
  Build(bins, bins.size() + items.size());
  for (Item* item : items) {
    std::size_t k = FirstWithRoom(item->size, bins.size());
    if (k == bins.size()) bins.push_back(Bin{{}, 0, capacity_});
    bins[k].Add(item);
    SetRoom(k, bins[k].room());
  }
}

void FirstFitter::Build(const std::vector<Bin>& bins, std::size_t slots) {
  leaves_ = 1;
  while (leaves_ < slots) leaves_ *= 2;
  // Slots without a bin can take nothing.
  max_room_.assign(2 * leaves_, -std::numeric_limits<double>::infinity());
  for (std::size_t k = 0; k < bins.size(); ++k) {
    max_room_[leaves_ + k] = bins[k].room();
  }
  for (std::size_t node = leaves_ - 1; node >= 1; --node) {
    max_room_[node] = std::max(max_room_[2 * node], max_room_[2 * node + 1]);
  }
}

std::size_t FirstFitter::FirstWithRoom(double size, std::size_t none) const {
  // The rooms are the very values a scan would compare, so descending to the
  // leftmost subtree that holds a large enough room picks the same bin.
  if (!(max_room_[1] >= size)) return none;
  std::size_t node = 1;
  while (node < leaves_) {
    node = max_room_[2 * node] >= size ? 2 * node : 2 * node + 1;
  }
  return node - leaves_;
}

void FirstFitter::SetRoom(std::size_t position, double room) {
  std::size_t node = leaves_ + position;
  max_room_[node] = room;
  for (node /= 2; node >= 1; node /= 2) {
    max_room_[node] = std::max(max_room_[2 * node], max_room_[2 * node + 1]);
  }
}
