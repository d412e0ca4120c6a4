// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/loose_items.h"

#include <cassert>

LooseItems::LooseItems(const std::vector<Item*>& all) {
  std::size_t ids = 0;
  for (const Item* item : all) ids = std::max(ids, item->id + 1);
  rung_.assign(ids, 0);
  item_.assign(ids, nullptr);
  next_.assign(ids, kEnd);
  std::vector<Item*> by_size(all);
  std::stable_sort(by_size.begin(), by_size.end(), BySizeDescending);
  for (Item* item : by_size) {
    if (sizes_.empty() || sizes_.back() != item->size) {
      sizes_.push_back(item->size);
    }
    rung_[item->id] = static_cast<std::uint32_t>(sizes_.size() - 1);
    item_[item->id] = item;
  }
  head_.assign(sizes_.size(), kEnd);
  tail_.assign(sizes_.size(), kEnd);
  count_.assign(sizes_.size(), 0);
  nonempty_ = RungSet(static_cast<std::uint32_t>(sizes_.size()));
  if (!sizes_.empty()) {
    smallest_ = sizes_.back();
    smallest_pair_ = smallest_ + smallest_;
    smallest_triple_ = smallest_ + smallest_ + smallest_;
  }
}

LooseItems::Rung LooseItems::SecondRung() const {
  if (count_[first_] >= 2) return first_;
  return nonempty_.FindFrom(first_ + 1);
}

void LooseItems::Added(Rung rung) {
  if (count_[rung]++ == 0) {
    nonempty_.Insert(rung);
    if (first_ == kNone || rung < first_) first_ = rung;
  }
  ++size_;
  second_ = kStale;
}

void LooseItems::Taken(Rung rung) {
  if (--count_[rung] == 0) {
    nonempty_.Erase(rung);
    if (rung == first_) first_ = nonempty_.FindFrom(rung);
  }
  --size_;
  second_ = kStale;
}

void LooseItems::Append(std::uint32_t id) {
  assert(id < item_.size() && item_[id] != nullptr);
  const Rung rung = rung_[id];
  next_[id] = kEnd;
  if (count_[rung] == 0) {
    head_[rung] = id;
  } else {
    next_[tail_[rung]] = id;
  }
  tail_[rung] = id;
  Added(rung);
}

void LooseItems::GiveBack(std::uint32_t id) {
  assert(id < item_.size() && item_[id] != nullptr);
  const Rung rung = rung_[id];
  next_[id] = head_[rung];
  head_[rung] = id;
  if (count_[rung] == 0) tail_[rung] = id;
  Added(rung);
}

std::uint32_t LooseItems::Take(Rung rung) {
  assert(count_[rung] > 0);
  const std::uint32_t id = head_[rung];
  head_[rung] = next_[id];
  Taken(rung);
  return id;
}

void LooseItems::clear() {
  for (Rung rung = first_; rung != kNone; rung = nonempty_.FindFrom(rung + 1)) {
    count_[rung] = 0;
    nonempty_.Erase(rung);
  }
  size_ = 0;
  first_ = kNone;
  second_ = kStale;
}

std::vector<Item*> LooseItems::items() const {
  std::vector<std::uint32_t> ids;
  Ids(ids);
  std::vector<Item*> in_order;
  for (std::uint32_t id : ids) in_order.push_back(item_[id]);
  return in_order;
}

void LooseItems::Ids(std::vector<std::uint32_t>& ids) const {
  ids.clear();
  for (Rung rung = first_; rung != kNone; rung = nonempty_.FindFrom(rung + 1)) {
    for (std::uint32_t id = head_[rung];; id = next_[id]) {
      ids.push_back(id);
      if (id == tail_[rung]) break;
    }
  }
}
