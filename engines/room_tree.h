// SPDX-License-Identifier: GPL-3.0-or-later
// The open bins of Best Fit that can still take an item, ordered by room.
#ifndef QUARRIMEL_ENGINES_ROOM_TREE_H_
#define QUARRIMEL_ENGINES_ROOM_TREE_H_

#include <cstdint>
#include <limits>
#include <vector>

// Bins ordered by room and, among equal rooms, by position (the order in
// which they were opened). A treap whose nodes are the bins themselves: the
// entry of bin k lives at index k of three arrays (room and two links), so an
// entry costs 16 bytes and no allocation. The heap priorities come from a
// fixed mix of the position, so the tree's shape, like everything else in
// Best Fit, depends on the input alone.
class RoomTree {
 public:
  static constexpr std::uint32_t kNone =
      std::numeric_limits<std::uint32_t>::max();

  // Enters `bin`, which is not in the tree, with `room`.
  void Insert(std::uint32_t bin, double room) {
    if (bin >= rooms_.size()) {
      rooms_.resize(bin + std::size_t{1});
      left_.resize(bin + std::size_t{1});
      right_.resize(bin + std::size_t{1});
    }
    rooms_[bin] = room;
    left_[bin] = right_[bin] = kNone;
    root_ = InsertUnder(root_, bin);
  }
  // Takes `bin`, which is in the tree, out of it.
  void Erase(std::uint32_t bin) { root_ = EraseUnder(root_, bin); }

  // The earliest bin of the smallest room that is at least `room`, or kNone.
  std::uint32_t FirstAtLeast(double room) const {
    return First([room](double r) { return r >= room; });
  }
  // The earliest bin of the smallest room above `room`, or kNone.
  std::uint32_t FirstAbove(double room) const {
    return First([room](double r) { return r > room; });
  }
  // The room `bin` was entered with.
  double RoomOf(std::uint32_t bin) const { return rooms_[bin]; }

 private:
  bool Before(std::uint32_t a, std::uint32_t b) const {
    return rooms_[a] < rooms_[b] || (rooms_[a] == rooms_[b] && a < b);
  }
  // A bijective mix of the position (the finaliser of MurmurHash3), so no
  // two bins share a priority.
  static std::uint32_t Priority(std::uint32_t bin) {
    bin ^= bin >> 16;
    bin *= 0x85ebca6bU;
    bin ^= bin >> 13;
    bin *= 0xc2b2ae35U;
    bin ^= bin >> 16;
    return bin;
  }

  // The first entry, in tree order, whose room passes `wanted`; the rooms
  // that pass must be a tail of the order.
  template <typename Wanted>
  std::uint32_t First(Wanted wanted) const {
    std::uint32_t found = kNone;
    for (std::uint32_t t = root_; t != kNone;) {
      if (wanted(rooms_[t])) {
        found = t;
        t = left_[t];
      } else {
        t = right_[t];
      }
    }
    return found;
  }

  std::uint32_t InsertUnder(std::uint32_t top, std::uint32_t bin) {
    if (top == kNone) return bin;
    if (Priority(bin) > Priority(top)) {
      Divide(top, bin, left_[bin], right_[bin]);
      return bin;
    }
    if (Before(bin, top)) {
      left_[top] = InsertUnder(left_[top], bin);
    } else {
      right_[top] = InsertUnder(right_[top], bin);
    }
    return top;
  }

  std::uint32_t EraseUnder(std::uint32_t top, std::uint32_t bin) {
    if (top == bin) return Join(left_[bin], right_[bin]);
    if (Before(bin, top)) {
      left_[top] = EraseUnder(left_[top], bin);
    } else {
      right_[top] = EraseUnder(right_[top], bin);
    }
    return top;
  }

  // Divides the subtree `top` into the entries before `bin` and those after.
  void Divide(std::uint32_t top, std::uint32_t bin, std::uint32_t& before,
              std::uint32_t& after) {
    if (top == kNone) {
      before = after = kNone;
    } else if (Before(top, bin)) {
      before = top;
      Divide(right_[top], bin, right_[top], after);
    } else {
      after = top;
      Divide(left_[top], bin, before, left_[top]);
    }
  }

  // One tree of the entries of `first` followed by those of `second`.
  std::uint32_t Join(std::uint32_t first, std::uint32_t second) {
    if (first == kNone) return second;
    if (second == kNone) return first;
    if (Priority(first) > Priority(second)) {
      right_[first] = Join(right_[first], second);
      return first;
    }
    left_[second] = Join(first, left_[second]);
    return second;
  }

  std::vector<double> rooms_;
  std::vector<std::uint32_t> left_;
  std::vector<std::uint32_t> right_;
  std::uint32_t root_ = kNone;
};

#endif  // QUARRIMEL_ENGINES_ROOM_TREE_H_
