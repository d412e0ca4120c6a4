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
  constexpr double kNoRoom = -std::numeric_limits<double>::infinity();
  level_start_.clear();
  std::size_t size =
      std::max<std::size_t>(kFanOut, (slots + kFanOut - 1) / kFanOut * kFanOut);
  // Each level above the bins' own has a node per group of kFanOut below,
  // padded to whole groups in turn, up to the single root.
  std::size_t total = 0;
  while (true) {
    level_start_.push_back(total);
    total += size;
    if (size == 1) break;
    const std::size_t groups = size / kFanOut;
    size = groups == 1 ? 1 : (groups + kFanOut - 1) / kFanOut * kFanOut;
  }
  rooms_.resize(total);
  for (std::size_t k = 0; k < packing.size(); ++k) rooms_[k] = packing.room(k);
  std::fill(rooms_.begin() + packing.size(), rooms_.begin() + level_start_[1],
            kNoRoom);
  for (std::size_t level = 1; level < level_start_.size(); ++level) {
    const std::size_t from = level_start_[level - 1];
    const std::size_t groups = (level_start_[level] - from) / kFanOut;
    const std::size_t end = level + 1 < level_start_.size()
                                ? level_start_[level + 1]
                                : level_start_[level] + 1;
    for (std::size_t g = 0; g < groups; ++g) {
      rooms_[level_start_[level] + g] = LargestOf(&rooms_[from + g * kFanOut]);
    }
    std::fill(rooms_.begin() + level_start_[level] + groups,
              rooms_.begin() + end, kNoRoom);
  }
}

double FirstFitter::LargestOf(const double* group) {
  static_assert(kFanOut == 8, "the pairs below take eight rooms");
  // In pairs, then pairs of pairs: three steps that wait on each other, not
  // seven. Rooms are never NaN, so any order gives the largest; of two equal
  // rooms, zeros of either sign included, the descent cannot tell one from
  // the other.
  const double a = std::max(group[0], group[1]);
  const double b = std::max(group[2], group[3]);
  const double c = std::max(group[4], group[5]);
  const double d = std::max(group[6], group[7]);
  return std::max(std::max(a, b), std::max(c, d));
}

std::size_t FirstFitter::FirstWithRoom(double size, std::size_t none) const {
  // The rooms are the very values a scan would compare, so descending to the
  // leftmost child that holds a large enough room picks the same bin; the
  // node's own room is one of its children's, so one always does.
  if (!(rooms_.back() >= size)) return none;
  std::size_t node = 0;
  for (std::size_t level = level_start_.size() - 1; level-- > 0;) {
    const double* group = &rooms_[level_start_[level] + node * kFanOut];
    std::size_t child = 0;
    while (!(group[child] >= size)) ++child;
    node = node * kFanOut + child;
  }
  return node;
}

void FirstFitter::SetRoom(std::size_t position, double room) {
  rooms_[position] = room;
  for (std::size_t level = 1; level < level_start_.size(); ++level) {
    const std::size_t group = position / kFanOut;
    const double largest =
        LargestOf(&rooms_[level_start_[level - 1] + group * kFanOut]);
    double& node = rooms_[level_start_[level] + group];
    // Every node above holds the largest of the nodes below it: when this
    // one keeps its value, so do they.
    if (largest == node) break;
    node = largest;
    position = group;
  }
}
