// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_operators.h"

#include <algorithm>
#include <cassert>
#include <cstdint>

#include "engines/ga_local_search.h"
#include "engines/ga_random.h"

namespace {

// Writes copies of bins into a vector from its start, reusing the bins
// already there and their storage. The vector's length is read once: the
// copies may alias anything, so a length read per bin is read again each
// time.
class BinSink {
 public:
  explicit BinSink(std::vector<Bin>& bins)
      : bins_(bins), reusable_(bins.size()) {}
  void Put(const Bin& bin) {
    if (count_ < reusable_) {
      bins_[count_] = bin;
    } else {
      bins_.push_back(bin);
    }
    ++count_;
  }
  // Drops the bins beyond those put.
  void Finish() { bins_.erase(bins_.begin() + count_, bins_.end()); }

 private:
  std::vector<Bin>& bins_;
  std::size_t reusable_;
  std::size_t count_ = 0;
};

}  // namespace

GaOperators::GaOperators(double capacity, const std::vector<Item*>& items)
    : first_fit_(capacity), donated_(items.size(), 0), loose_(items) {}

void GaOperators::Crossover(const Individual& p1, const Individual& p2,
                            Individual& c1, Individual& c2) {
  assert(p1.bins.size() >= 2 && p2.bins.size() >= 2);
  const Section s1 = DrawSection(p1.bins.size());
  const Section s2 = DrawSection(p2.bins.size());
  BuildChild(p1, p2, s2, s1.first, first_child_);
  BuildChild(p2, p1, s1, s2.first, second_child_);
  // Only now are the children written, so neither read a replaced parent;
  // the swapped-out bins keep their storage for the next children.
  c1.bins.swap(first_child_);
  c2.bins.swap(second_child_);
}

void GaOperators::Mutate(std::vector<Bin>& bins) {
  const std::size_t k = RandomIndex(bins.size());
  loose_.clear();
  for (Item* item : bins[k].items) loose_.Append(item);
  bins.erase(bins.begin() + k);
  Reinsert(bins, loose_);
}

void GaOperators::Reinsert(std::vector<Bin>& bins, LooseItems& loose) {
  Improve(bins, loose);
  if (loose.empty()) return;
  FirstFit(bins, loose.items());
  loose.clear();
}

GaOperators::Section GaOperators::DrawSection(std::size_t bin_count) const {
  const std::size_t a = RandomIndex(bin_count);
  const std::size_t b = OtherIndex(0, bin_count - 1, a);
  return {std::min(a, b), std::max(a, b)};
}

void GaOperators::BuildChild(const Individual& receiver,
                             const Individual& donor, Section donated,
                             std::size_t insert_at, std::vector<Bin>& child) {
  loose_.clear();
  InjectSection(receiver, donor, donated.first, donated.last, insert_at, child,
                loose_);
  Reinsert(child, loose_);
}

inline bool GaOperators::IsDonated(std::size_t id) const {
  return id < donated_.size() && donated_[id] == stamp_;
}

inline bool GaOperators::Conflicts(const Bin& bin, LooseItems& loose) const {
  const std::uint32_t* ids = bin.items.Ids();
  const std::size_t count = bin.items.size();
  bool shared = false;
  for (std::size_t i = 0; i < count; ++i) shared |= IsDonated(ids[i]);
  if (!shared) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsDonated(ids[i])) loose.Append(bin.items[i]);
  }
  return true;
}

void GaOperators::InjectSection(const Individual& receiver,
                                const Individual& donor, std::size_t first,
                                std::size_t last, std::size_t insert_at,
                                std::vector<Bin>& child, LooseItems& loose) {
  MarkDonors(donor.bins, {first, last});
  const std::vector<Bin>& bins = receiver.bins;
  const std::size_t bin_count = bins.size();
  BinSink sink(child);
  for (std::size_t k = 0; k < insert_at; ++k) {
    if (!Conflicts(bins[k], loose)) sink.Put(bins[k]);
  }
  for (std::size_t k = first; k <= last; ++k) sink.Put(donor.bins[k]);
  for (std::size_t k = insert_at; k < bin_count; ++k) {
    if (!Conflicts(bins[k], loose)) sink.Put(bins[k]);
  }
  sink.Finish();
}

void GaOperators::MarkDonors(const std::vector<Bin>& bins, Section donated) {
  if (++stamp_ == 0) {
    // The stamp wrapped: marks left by a child 255 children ago would pass
    // for this child's.
    std::fill(donated_.begin(), donated_.end(), 0);
    stamp_ = 1;
  }
  for (std::size_t k = donated.first; k <= donated.last; ++k) {
    const ItemList& items = bins[k].items;
    const std::uint32_t* ids = items.Ids();
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::size_t id = ids[i];
      if (id >= donated_.size()) donated_.resize(id + 1, 0);
      donated_[id] = stamp_;
    }
  }
}
