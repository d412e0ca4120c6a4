// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_operators.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "engines/ga_local_search.h"

GaOperators::GaOperators(const std::vector<Item*>& items, EngineDraws& draws,
                         bool keep_keys)
    : draws_(draws), keep_keys_(keep_keys), loose_(items) {
  std::size_t ids = 0;
  for (const Item* item : items) ids = std::max(ids, item->id + 1);
  sizes_.assign(ids, 0);
  items_.assign(ids, nullptr);
  donated_.assign(ids, 0);
  for (Item* item : items) {
    sizes_[item->id] = item->size;
    items_[item->id] = item;
  }
}

void GaOperators::Crossover(const Individual& p1, const Individual& p2,
                            Individual& c1, Individual& c2) {
  assert(p1.bins.size() >= 2 && p2.bins.size() >= 2);
  const Section s1 = DrawSection(p1.bins.size());
  const Section s2 = DrawSection(p2.bins.size());
  BuildChild(p1.bins, p2.bins, s2, s1.first, first_child_);
  BuildChild(p2.bins, p1.bins, s1, s2.first, second_child_);
  // Only now are the children written, so neither read a replaced parent;
  // the swapped-out packings keep their storage for the next children.
  std::swap(c1.bins, first_child_);
  std::swap(c2.bins, second_child_);
}

void GaOperators::Mutate(Packing& bins) {
  const std::size_t k = draws_.RandomIndex(bins.size());
  const std::uint32_t start = StartOf(bins, k);
  const std::uint32_t count = bins.counts[k];
  if (bins.carries_keys()) bins.keys.erase(bins.keys.begin() + k);
  loose_.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    loose_.Append(bins.ids[start + i]);
  }
  bins.ids.erase(bins.ids.begin() + start, bins.ids.begin() + start + count);
  bins.used.erase(bins.used.begin() + k);
  bins.counts.erase(bins.counts.begin() + k);
  Reinsert(bins, loose_);
}

void GaOperators::Reinsert(Packing& bins, LooseItems& loose) {
  if (loose.empty()) return;
  StartsOf(bins, starts_);
  LendKeys(bins);
  Improve(bins, starts_, loose, sizes_.data(), draws_, settled_, shrunk_);
  if (!loose.empty() || !shrunk_.empty()) {
    loose.Ids(loose_ids_);
    first_fit_.Place(bins, starts_, shrunk_, loose_ids_.data(),
                     loose_ids_.size(), sizes_.data());
    loose.clear();
    if (keep_keys_) UpdatePlacedKeys(bins);
  }
  if (keep_keys_) settled_.Swap(bins.keys);
}

void GaOperators::LendKeys(Packing& bins) {
  if (keep_keys_ && bins.carries_keys()) {
    settled_.Swap(bins.keys);
  } else {
    settled_.Reset(bins, starts_, sizes_.data());
  }
}

void GaOperators::UpdatePlacedKeys(Packing& bins) {
  // First fit laid the bins out anew, and left the starts of these.
  for (const std::uint32_t k : first_fit_.placed_bins()) {
    settled_.Update(k, bins, starts_, sizes_.data());
  }
}

void GaOperators::FirstFit(Packing& bins, const std::vector<Item*>& items) {
  loose_ids_.clear();
  for (const Item* item : items) {
    loose_ids_.push_back(static_cast<std::uint32_t>(item->id));
  }
  StartsOf(bins, starts_);
  shrunk_.clear();
  first_fit_.Place(bins, starts_, shrunk_, loose_ids_.data(), loose_ids_.size(),
                   sizes_.data());
  if (keep_keys_) {
    StartsOf(bins, starts_);
    settled_.Reset(bins, starts_, sizes_.data());
    settled_.Swap(bins.keys);
  }
}

GaOperators::Section GaOperators::DrawSection(std::size_t bin_count) {
  const TwoPositions two = draws_.PickTwo(bin_count);
  return {two.first, two.second};
}

void GaOperators::BuildChild(const Packing& receiver, const Packing& donor,
                             Section donated, std::size_t insert_at,
                             Packing& child) {
  loose_.clear();
  InjectSection(receiver, donor, donated.first, donated.last, insert_at, child,
                loose_);
  Reinsert(child, loose_);
}

void GaOperators::Loosen(const std::uint32_t* ids, std::uint32_t count,
                         LooseItems& loose) const {
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!IsDonated(ids[i])) loose.Append(ids[i]);
  }
}

void GaOperators::InjectSection(const Packing& receiver, const Packing& donor,
                                std::size_t first, std::size_t last,
                                std::size_t insert_at, Packing& child,
                                LooseItems& loose) {
  const std::uint32_t donor_start = StartOf(donor, first);
  const std::uint32_t donor_count = ItemsIn(donor, first, last + 1);
  MarkDonors(donor, donor_start, donor_count);
  child.capacity = receiver.capacity;
  // The child carries keys when both parents do: every bin is a copy.
  child_keys_ = keep_keys_ && receiver.carries_keys() && donor.carries_keys();
  StartChild(receiver, child);
  const std::uint32_t split = StartOf(receiver, insert_at);
  KeepUnshared(receiver, 0, insert_at, 0, split, child, loose);
  // The donated bins lie end to end, as the receiver's do.
  CopyBins(donor, first, last + 1, donor_start, donor_start + donor_count,
           child);
  const auto end = static_cast<std::uint32_t>(receiver.ids.size());
  KeepUnshared(receiver, insert_at, receiver.size(), split, end, child, loose);
  FinishChild(child);
}

namespace {

// Grows `v` to at least `size`; never shrinks it, which would only make the
// next growth fill the same elements again.
template <typename T>
void GrowTo(std::vector<T>& v, std::size_t size) {
  if (v.size() < size) v.resize(size);
}

template <typename T>
void CopyRun(const T* from, std::size_t count, T* to) {
  if (count > 0) std::memcpy(to, from, count * sizeof(T));
}

}  // namespace

void GaOperators::StartChild(const Packing& receiver, Packing& child) {
  // A child seldom outgrows its receiver; room for more would stay with the
  // packing after the child is cut to size, in every packing.
  GrowTo(child.ids, receiver.ids.size());
  // Every array of bins at least as long as the fills: a copy checks those.
  GrowBins(std::max(receiver.size(), child.used.size()), child);
  child_ids_ = 0;
  child_bins_ = 0;
}

void GaOperators::GrowBins(std::size_t bins, Packing& child) const {
  GrowTo(child.used, bins);
  GrowTo(child.counts, bins);
  if (child_keys_) GrowTo(child.keys, bins);
}

void GaOperators::FinishChild(Packing& child) const {
  child.ids.resize(child_ids_);
  child.used.resize(child_bins_);
  child.counts.resize(child_bins_);
  if (child_keys_) {
    child.keys.resize(child_bins_);
  } else {
    child.keys.clear();
  }
}

void GaOperators::KeepUnshared(const Packing& receiver, std::size_t from,
                               std::size_t to, std::uint32_t start,
                               std::uint32_t end, Packing& child,
                               LooseItems& loose) {
  const std::uint32_t* ids = receiver.ids.data();
  const std::uint32_t* counts = receiver.counts.data();
  // One scan over the items finds the donated ones; the bins between those
  // that hold one are kept, copied a run at a time.
  std::size_t bin = from;
  std::uint32_t bin_start = start;
  std::size_t run_first = from;
  std::uint32_t run_start = start;
  std::uint32_t i = start;
  while (true) {
    while (i < end && !IsMarked(ids[i])) ++i;
    if (i == end) break;
    while (bin_start + counts[bin] <= i) bin_start += counts[bin++];
    CopyBins(receiver, run_first, bin, run_start, bin_start, child);
    Loosen(ids + bin_start, counts[bin], loose);
    bin_start += counts[bin++];
    run_first = bin;
    run_start = bin_start;
    i = bin_start;
  }
  CopyBins(receiver, run_first, to, run_start, end, child);
}

void GaOperators::CopyBins(const Packing& from_packing, std::size_t first,
                           std::size_t last, std::uint32_t ids_from,
                           std::uint32_t ids_to, Packing& child) {
  const std::size_t ids = ids_to - ids_from, bins = last - first;
  GrowTo(child.ids, child_ids_ + ids);
  if (child_bins_ + bins > child.used.size()) {
    GrowBins(child_bins_ + bins, child);
  }
  CopyRun(from_packing.ids.data() + ids_from, ids,
          child.ids.data() + child_ids_);
  child_ids_ += ids;
  CopyRun(from_packing.used.data() + first, bins,
          child.used.data() + child_bins_);
  CopyRun(from_packing.counts.data() + first, bins,
          child.counts.data() + child_bins_);
  if (child_keys_) {
    CopyRun(from_packing.keys.data() + first, bins,
            child.keys.data() + child_bins_);
  }
  child_bins_ += bins;
}

void GaOperators::MarkDonors(const Packing& donor, std::uint32_t start,
                             std::uint32_t count) {
  if (++stamp_ == 0) {
    // The stamp wrapped: marks left by a child 255 children ago would pass
    // for this child's.
    std::fill(donated_.begin(), donated_.end(), 0);
    stamp_ = 1;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t id = donor.ids[start + i];
    if (id >= donated_.size()) donated_.resize(id + 1, 0);
    donated_[id] = stamp_;
  }
}
