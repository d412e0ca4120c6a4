// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/first_fit.h"

#include <algorithm>
#include <cstring>
#include <limits>

void FirstFitter::Place(Packing& packing,
                        const std::vector<std::uint32_t>& starts,
                        const std::uint32_t* ids, std::size_t count,
                        const double* sizes) {
  const std::size_t old_bins = packing.size();
  added_.assign(old_bins, 0);
  // Every item opens at most one bin, so this many slots always suffice.
  if (count > 0) Build(packing, old_bins + count);
  bin_of_.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double size = sizes[ids[i]];
    const std::size_t k = FirstWithRoom(size, packing.size());
    if (k == packing.size()) {
      packing.used.push_back(0);
      packing.counts.push_back(0);
      added_.push_back(0);
    }
    packing.used[k] += size;
    SetRoom(k, packing.room(k));
    ++added_[k];
    bin_of_[i] = static_cast<std::uint32_t>(k);
  }
  Rebuild(packing, starts, old_bins, ids, count);
}

void FirstFitter::Rebuild(Packing& packing,
                          const std::vector<std::uint32_t>& starts,
                          std::size_t old_bins, const std::uint32_t* ids,
                          std::size_t count) {
  const std::size_t bins = packing.size();
  std::size_t total = count;
  for (std::size_t k = 0; k < old_bins; ++k) total += packing.counts[k];
  spare_ids_.resize(total);
  next_slot_.resize(bins);
  std::uint32_t* out = spare_ids_.data();
  // Bins that lie end to end in the old block and take no added item between
  // them are copied in one go: most bins of a repair are such.
  std::uint32_t from = 0, to = 0, run = 0;
  std::uint32_t at = 0;
  for (std::size_t k = 0; k < bins; ++k) {
    const std::uint32_t own = k < old_bins ? packing.counts[k] : 0;
    if (own > 0) {
      if (run > 0 && starts[k] == from + run && at == to + run) {
        run += own;
      } else {
        CopyIds(packing.ids.data() + from, run, out + to);
        from = starts[k];
        to = at;
        run = own;
      }
    }
    next_slot_[k] = at + own;
    at += own + added_[k];
    packing.counts[k] = own + added_[k];
  }
  CopyIds(packing.ids.data() + from, run, out + to);
  for (std::size_t i = 0; i < count; ++i)
    out[next_slot_[bin_of_[i]]++] = ids[i];
  packing.ids.swap(spare_ids_);
}

void FirstFitter::CopyIds(const std::uint32_t* from, std::uint32_t count,
                          std::uint32_t* to) {
  if (count > 0) std::memcpy(to, from, count * sizeof(std::uint32_t));
}

void FirstFitter::Build(const Packing& packing, std::size_t slots) {
  leaves_ = 1;
  while (leaves_ < slots) leaves_ *= 2;
  max_room_.resize(2 * leaves_);
  for (std::size_t k = 0; k < packing.size(); ++k) {
    max_room_[leaves_ + k] = packing.room(k);
  }
  // Slots without a bin can take nothing.
  std::fill(max_room_.begin() + leaves_ + packing.size(), max_room_.end(),
            -std::numeric_limits<double>::infinity());
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
    const double largest =
        std::max(max_room_[2 * node], max_room_[2 * node + 1]);
    // Every node above holds the largest of the nodes below it: when this
    // one keeps its value, so do they.
    if (largest == max_room_[node]) break;
    max_room_[node] = largest;
  }
}
