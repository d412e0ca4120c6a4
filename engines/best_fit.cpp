#include "engines/best_fit.h"

#include <cassert>
#include <iostream>
#include <limits>

#include "driver/params.h"
#include "input/input.h"

BestFit::BestFit(Input& input) : Optimizer(input) {}

void BestFit::Search() {
  if (params.verbose) PrintHeader(std::cout);
  bins_.clear();
  result = &bins_;
  RoomIndex rooms;
  for (Item* item : input.items) {
    Place(rooms, ChooseBin(rooms, item->size), item);
  }
}

// The bin a plain scan of every bin would choose: the smallest leftover
// (room - size, in double), and the earliest bin among equal leftovers.
// Rounding keeps leftover monotonic in room, so the best leftover belongs to
// the smallest fitting room; but a few slightly larger rooms may round to the
// same leftover and belong to earlier bins, so those rooms are visited too,
// one lookup per distinct room.
std::size_t BestFit::ChooseBin(const RoomIndex& rooms, double size) const {
  auto it = rooms.lower_bound({size, 0});
  if (it == rooms.end()) return bins_.size();
  const double best_leftover = it->first - size;
  std::size_t best = it->second;
  while (true) {
    // Skip the later bins of this room: the first entry is its earliest bin.
    it =
        rooms.upper_bound({it->first, std::numeric_limits<std::size_t>::max()});
    if (it == rooms.end() || it->first - size != best_leftover) break;
    if (it->second < best) best = it->second;
  }
  return best;
}

void BestFit::Place(RoomIndex& rooms, std::size_t position, Item* item) {
  if (position == bins_.size()) {
    bins_.emplace_back();
    bins_.back().capacity = params.target;
    bins_.back().Add(item);
    rooms.insert({bins_.back().room(), position});
    return;
  }
  // Re-key the bin's node in place rather than free one and allocate another
  // for every item.
  auto node = rooms.extract({bins_[position].room(), position});
  assert(!node.empty());
  bins_[position].Add(item);
  node.value().first = bins_[position].room();
  rooms.insert(std::move(node));
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
