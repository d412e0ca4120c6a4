// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/loose_items.h"

#include <cassert>
#include <cstring>

namespace {

constexpr std::size_t kMostGiven = 3;
constexpr std::size_t kMostTaken = 2;

// A stretch of kept items that moves by one offset.
struct Run {
  std::size_t from, to, count;
};

// Moves each run of `data` to its place. Runs moving down go first, lowest
// first, then runs moving up, highest first: each lands only on freed slots
// or slots already moved from.
template <typename T>
void MoveRuns(T* data, const Run* runs, std::size_t run_count) {
  for (std::size_t i = 0; i < run_count; ++i) {
    const Run& run = runs[i];
    if (run.to < run.from) {
      std::memmove(data + run.to, data + run.from, run.count * sizeof(T));
    }
  }
  for (std::size_t i = run_count; i-- > 0;) {
    const Run& run = runs[i];
    if (run.to > run.from) {
      std::memmove(data + run.to, data + run.from, run.count * sizeof(T));
    }
  }
}

}  // namespace

void LooseItems::Sort() {
  std::stable_sort(items_.begin(), items_.end(), BySizeDescending);
  for (std::size_t k = 0; k < items_.size(); ++k) sizes_[k] = items_[k]->size;
}

void LooseItems::Exchange(const std::size_t* taken, std::size_t taken_count,
                          Item* const* given, std::size_t given_count) {
  assert(given_count <= kMostGiven && taken_count <= kMostTaken);
  // The given items in the order successive insertions leave them: largest
  // first and, among equal sizes, the later given first. An insertion sort
  // of the reversed sequence keeps that order among ties.
  Item* added[kMostGiven];
  for (std::size_t i = 0; i < given_count; ++i) {
    added[i] = given[given_count - 1 - i];
    for (std::size_t j = i; j > 0 && added[j]->size > added[j - 1]->size; --j) {
      std::swap(added[j], added[j - 1]);
    }
  }
  // Each added item goes ahead of the items of its size, so its place among
  // the old items is the count of those larger than it.
  std::size_t place[kMostGiven];
  for (std::size_t a = 0; a < given_count; ++a) {
    const double size = added[a]->size;
    place[a] =
        CountWhile(0, items_.size(), [size](double f) { return f > size; });
  }
  // The kept items fall into runs between the changes, each moving by its
  // own offset; an add at the position of a removal comes first.
  Run runs[kMostGiven + kMostTaken + 1];
  std::size_t run_count = 0;
  std::size_t slot_of_added[kMostGiven];
  std::size_t src = 0;
  std::size_t dst = 0;
  std::size_t a = 0;
  std::size_t t = 0;
  while (a < given_count || t < taken_count) {
    const bool add_next =
        a < given_count && (t == taken_count || place[a] <= taken[t]);
    const std::size_t stop = add_next ? place[a] : taken[t];
    if (stop > src) {
      runs[run_count++] = {src, dst, stop - src};
      dst += stop - src;
      src = stop;
    }
    if (add_next) {
      slot_of_added[a++] = dst++;
    } else {
      ++src;
      ++t;
    }
  }
  const std::size_t old_size = items_.size();
  if (old_size > src) runs[run_count++] = {src, dst, old_size - src};
  const std::size_t new_size = old_size - taken_count + given_count;
  if (new_size > old_size) {
    items_.resize(new_size);
    sizes_.resize(new_size);
  }
  MoveRuns(items_.data(), runs, run_count);
  MoveRuns(sizes_.data(), runs, run_count);
  for (std::size_t i = 0; i < given_count; ++i) {
    items_[slot_of_added[i]] = added[i];
    sizes_[slot_of_added[i]] = added[i]->size;
  }
  if (new_size < old_size) {
    items_.resize(new_size);
    sizes_.resize(new_size);
  }
}
