// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/first_fit.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

void FirstFitter::Place(Packing& packing, std::vector<std::uint32_t>& starts,
                        const std::vector<std::uint32_t>& gapped,
                        const std::uint32_t* ids, std::size_t count,
                        const double* sizes) {
  const std::size_t old_bins = packing.size();
  FindCandidates(packing, ids, count, sizes);
  // Every item opens at most one bin, so this many slots always suffice.
  if (count > 0) Build(packing, candidates_ + count);
  bin_of_.resize(count);
  slot_of_.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double size = sizes[ids[i]];
    const std::size_t slot = FirstWithRoom(size, candidates_);
    if (slot == candidates_) OpenBin(packing);
    const std::uint32_t k = candidate_[slot];
    packing.used[k] += size;
    SetRoom(slot, packing.room(k));
    ++added_[slot];
    bin_of_[i] = k;
    slot_of_[i] = static_cast<std::uint32_t>(slot);
  }
  Rebuild(packing, starts, gapped, old_bins, ids, count);
}

void FirstFitter::FindCandidates(const Packing& packing,
                                 const std::uint32_t* ids, std::size_t count,
                                 const double* sizes) {
  // Rooms only shrink, so a bin without room for the smallest item to place
  // never takes any: the tree leaves it out. In a packing of any size those
  // are nearly all its bins.
  double smallest = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < count; ++i) {
    smallest = std::min(smallest, sizes[ids[i]]);
  }
  const std::size_t bins = packing.size();
  if (candidate_.size() < bins + count) candidate_.resize(bins + count);
  std::uint32_t* candidate = candidate_.data();
  std::size_t found = 0;
  for (std::size_t k = 0; k < bins; ++k) {
    candidate[found] = static_cast<std::uint32_t>(k);
    found += packing.room(k) >= smallest;
  }
  candidates_ = found;
  added_.assign(found, 0);
}

void FirstFitter::OpenBin(Packing& packing) {
  candidate_[candidates_++] = static_cast<std::uint32_t>(packing.size());
  added_.push_back(0);
  packing.used.push_back(0);
  packing.counts.push_back(0);
}

void FirstFitter::Rebuild(Packing& packing, std::vector<std::uint32_t>& starts,
                          const std::vector<std::uint32_t>& gapped,
                          std::size_t old_bins, const std::uint32_t* ids,
                          std::size_t count) {
  spare_ids_.resize(ItemsAfter(packing, starts, gapped, old_bins, count));
  next_slot_.resize(candidates_);
  std::uint32_t at = 0;
  std::size_t run = 0;  // The first bin of the run being laid out.
  std::size_t slot = NextAdded(0);
  auto gap = gapped.begin();
  while (true) {
    // The run ends at the next bin that takes items or ends early.
    const std::size_t taker = slot < candidates_ ? candidate_[slot] : old_bins;
    const std::size_t early = gap != gapped.end() ? *gap : old_bins;
    const std::size_t last = std::min({taker, early, old_bins});
    if (last == old_bins) break;
    assert(last >= run);  // The gapped bins are ascending, each once.
    at = CopyRun(packing, starts, run, last, at);
    if (last == taker) {
      starts[last] = at - packing.counts[last];
      next_slot_[slot] = at;
      at += added_[slot];
      packing.counts[last] += added_[slot];
      slot = NextAdded(slot + 1);
    }
    if (last == early) ++gap;
    run = last + 1;
  }
  if (run < old_bins) at = CopyRun(packing, starts, run, old_bins - 1, at);
  LayOutOpened(packing, starts, slot, at);
  std::uint32_t* out = spare_ids_.data();
  for (std::size_t i = 0; i < count; ++i)
    out[next_slot_[slot_of_[i]]++] = ids[i];
  packing.ids.swap(spare_ids_);
}

std::size_t FirstFitter::ItemsAfter(const Packing& packing,
                                    const std::vector<std::uint32_t>& starts,
                                    const std::vector<std::uint32_t>& gapped,
                                    std::size_t old_bins, std::size_t count) {
  // Sized exactly, as every packing's block is: a vector grown past its room
  // doubles the room, and the packings swap blocks with this one, so each
  // would come to keep twice the room it needs.
  std::size_t items = packing.ids.size() + count;
  for (const std::uint32_t k : gapped) {
    const std::size_t end =
        k + 1 < old_bins ? starts[k + 1] : packing.ids.size();
    items -= end - starts[k] - packing.counts[k];
  }
  return items;
}

std::uint32_t FirstFitter::CopyRun(const Packing& packing,
                                   const std::vector<std::uint32_t>& starts,
                                   std::size_t first, std::size_t last,
                                   std::uint32_t at) {
  const std::uint32_t from = starts[first];
  const std::uint32_t count = starts[last] + packing.counts[last] - from;
  if (count > 0) {
    std::memcpy(spare_ids_.data() + at, packing.ids.data() + from,
                count * sizeof(std::uint32_t));
  }
  return at + count;
}

void FirstFitter::LayOutOpened(Packing& packing,
                               std::vector<std::uint32_t>& starts,
                               std::size_t slot, std::uint32_t at) {
  // The bins opened lie after the old ones and hold added items only.
  starts.resize(packing.size());
  for (; slot < candidates_; slot = NextAdded(slot + 1)) {
    starts[candidate_[slot]] = at;
    next_slot_[slot] = at;
    at += added_[slot];
    packing.counts[candidate_[slot]] = added_[slot];
  }
}

std::size_t FirstFitter::NextAdded(std::size_t slot) const {
  while (slot < candidates_ && added_[slot] == 0) ++slot;
  return slot;
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
  for (std::size_t slot = 0; slot < candidates_; ++slot) {
    rooms_[slot] = packing.room(candidate_[slot]);
  }
  std::fill(rooms_.begin() + candidates_, rooms_.begin() + level_start_[1],
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
