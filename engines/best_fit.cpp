// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/best_fit.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

#include "base/params.h"
#include "input/input.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// After the pre-sort the items lie in memory in no order, so reading an
// item's size is a trip to main memory. The sizes of this many items are
// read in a row before they are placed: independent reads overlap, while
// each one alone, between two walks down the room tree, would not.
constexpr std::size_t kSizesAhead = 64;

}  // namespace

BestFit::BestFit(Input& input) : Optimizer(input) {}

void BestFit::Search() {
  if (params.verbose) PrintHeader(std::cout);
  bins_ = FlatBins();
  rooms_ = RoomTree();
  // Bins left with less room than the smallest item are never chosen again;
  // leaving them out of the tree keeps it small and its lookups fast.
  smallest_item_ = kInfinity;
  for (const Item* item : input.items) {
    smallest_item_ = std::min(smallest_item_, item->size);
  }
  std::vector<std::uint32_t> bin_of;  // Per item of input.items.
  bin_of.reserve(input.items.size());
  const std::vector<Item*>& items = input.items;
  double sizes[kSizesAhead];
  for (std::size_t first = 0; first < items.size(); first += kSizesAhead) {
    const std::size_t count = std::min(kSizesAhead, items.size() - first);
    for (std::size_t k = 0; k < count; ++k) sizes[k] = items[first + k]->size;
    for (std::size_t k = 0; k < count; ++k) bin_of.push_back(Place(sizes[k]));
  }
  rooms_ = RoomTree();
  GatherByBin(bin_of);
}

std::uint32_t BestFit::Place(double size) {
  const std::uint32_t bin = ChooseBin(size);
  if (bin == RoomTree::kNone) return OpenBin(size);
  AddToBin(bin, size);
  return bin;
}

// The bin a scan of every bin would choose: the smallest leftover (room -
// size, in double), and the earliest bin among equal leftovers. Rounding
// keeps the leftover monotonic in the room, so the best leftover belongs to
// the smallest fitting room. A slightly larger room of an earlier bin may
// round to the same leftover, though; that can only happen if the very next
// double above the room already does, and only then are the larger rooms
// visited, one lookup per distinct room.
std::uint32_t BestFit::ChooseBin(double size) const {
  std::uint32_t best = rooms_.FirstAtLeast(size);
  if (best == RoomTree::kNone) return best;
  const double room = rooms_.RoomOf(best);
  const double leftover = room - size;
  if (std::nextafter(room, kInfinity) - size != leftover) return best;
  // Each lookup skips the later bins of a room: the first is the earliest.
  for (std::uint32_t bin = rooms_.FirstAbove(room);
       bin != RoomTree::kNone && rooms_.RoomOf(bin) - size == leftover;
       bin = rooms_.FirstAbove(rooms_.RoomOf(bin))) {
    best = std::min(best, bin);
  }
  return best;
}

void BestFit::AddToBin(std::uint32_t bin, double size) {
  rooms_.Erase(bin);
  bins_.used[bin] += size;
  ++bins_.counts[bin];
  if (Room(bin) >= smallest_item_) rooms_.Insert(bin, Room(bin));
}

double BestFit::Room(std::uint32_t bin) const {
  return params.target - bins_.used[bin];
}

std::uint32_t BestFit::OpenBin(double size) {
  const auto bin = static_cast<std::uint32_t>(bins_.used.size());
  bins_.used.push_back(size);
  bins_.counts.push_back(1);
  if (Room(bin) >= smallest_item_) rooms_.Insert(bin, Room(bin));
  return bin;
}

// A counting sort by bin that keeps the list order within a bin. It moves
// item ids, not pointers (half the bytes, so the extra array is half as
// big), and every read and write of its passes is independent of the
// others, so the trips to memory overlap.
void BestFit::GatherByBin(std::vector<std::uint32_t>& bin_of) {
  std::vector<std::uint32_t> next_place(bins_.counts.size());
  std::uint32_t place = 0;
  for (std::size_t b = 0; b < bins_.counts.size(); ++b) {
    next_place[b] = place;
    place += bins_.counts[b];
  }
  std::vector<Item*>& items = input.items;
  std::vector<std::uint32_t> id_at(items.size());
  for (std::size_t k = 0; k < items.size(); ++k) {
    id_at[next_place[bin_of[k]]++] = static_cast<std::uint32_t>(items[k]->id);
  }
  std::vector<std::uint32_t>().swap(bin_of);
  for (std::size_t k = 0; k < items.size(); ++k) {
    items[k] = input.ItemWithId(id_at[k]);
  }
}

std::vector<BinView> BestFit::ResultBins() const {
  return bins_.Views(input.items, params.target);
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
