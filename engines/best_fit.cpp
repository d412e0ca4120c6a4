// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/best_fit.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

#include "driver/params.h"
#include "input/input.h"

namespace {

constexpr std::size_t kLastPosition = std::numeric_limits<std::size_t>::max();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

}  // namespace

BestFit::BestFit(Input& input) : Optimizer(input) {}

void BestFit::Search() {
  if (params.verbose) PrintHeader(std::cout);
  bins_.clear();
  result = &bins_;
  // Bins left with less room than the smallest item are never chosen again;
  // leaving them out of the index keeps it small and its lookups fast.
  smallest_item_ = kInfinity;
  for (const Item* item : input.items) {
    smallest_item_ = std::min(smallest_item_, item->size);
  }
  RoomIndex rooms;
  for (Item* item : input.items) {
    auto entry = ChooseBin(rooms, item->size);
    if (entry == rooms.end()) {
      OpenBin(rooms, item);
    } else {
      AddToBin(rooms, entry, item);
    }
  }
}

// The bin a scan of every bin would choose: the smallest leftover (room -
// size, in double), and the earliest bin among equal leftovers. Rounding
// keeps the leftover monotonic in the room, so the best leftover belongs to
// the smallest fitting room. A slightly larger room of an earlier bin may
// round to the same leftover, though; that can only happen if the very next
// double above the room already does, and only then are the larger rooms
// visited, one lookup per distinct room.
BestFit::RoomIndex::iterator BestFit::ChooseBin(RoomIndex& rooms,
                                                double size) const {
  auto best = rooms.lower_bound({size, 0});
  if (best == rooms.end()) return best;
  const double leftover = best->first - size;
  if (std::nextafter(best->first, kInfinity) - size != leftover) return best;
  // Each lookup skips the later bins of a room: its first entry is the
  // earliest of them.
  for (auto it = rooms.upper_bound({best->first, kLastPosition});
       it != rooms.end() && it->first - size == leftover;
       it = rooms.upper_bound({it->first, kLastPosition})) {
    if (it->second < best->second) best = it;
  }
  return best;
}

void BestFit::AddToBin(RoomIndex& rooms, RoomIndex::iterator entry,
                       Item* item) {
  // Re-key the bin's node rather than free one and allocate another.
  auto node = rooms.extract(entry);
  Bin& bin = bins_[node.value().second];
  bin.Add(item);
  if (bin.room() < smallest_item_) return;
  node.value().first = bin.room();
  rooms.insert(std::move(node));
}

void BestFit::OpenBin(RoomIndex& rooms, Item* item) {
  bins_.emplace_back();
  Bin& bin = bins_.back();
  bin.capacity = params.target;
  bin.Add(item);
  if (bin.room() >= smallest_item_)
    rooms.insert({bin.room(), bins_.size() - 1});
}

std::ostream& BestFit::PrintHeader(std::ostream& out) {
  out << std::endl
      << "> -----------------------------------" << std::endl
      << "> Best Fit search (approximate)    " << std::endl
      << "> -----------------------------------" << std::endl;
  Optimizer::PrintHeader(out);
  out << std::endl;
  return out;
}
