// SPDX-License-Identifier: GPL-3.0-or-later
// The open bins of Best Fit that can still take an item, ordered by room.
#ifndef QUARRIMEL_ENGINES_BEST_FIT_ROOM_TREE_H_
#define QUARRIMEL_ENGINES_BEST_FIT_ROOM_TREE_H_

#include <cstdint>
#include <limits>
#include <vector>

// Bins ordered by room and, among equal rooms, by position (the order in
// which they were opened). A treap whose nodes are the bins themselves: the
// entry of bin k is node k of one array, its room and its two links in 16
// bytes, so an entry costs no allocation and a step down the tree reads one
// cache line. The heap priorities come from a fixed mix of the position, so
// the tree's shape, like everything else in Best Fit, depends on the input
// alone.
class RoomTree {
 public:
  static constexpr std::uint32_t kNone =
      std::numeric_limits<std::uint32_t>::max();

  // Enters `bin`, which is not in the tree, with `room`.
  void Insert(std::uint32_t bin, double room) {
    if (bin >= nodes_.size()) nodes_.resize(bin + std::size_t{1});
    nodes_[bin] = Node{room, kNone, kNone};
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
  double RoomOf(std::uint32_t bin) const { return nodes_[bin].room; }

 private:
  struct Node {
    double room = 0;
    std::uint32_t left = kNone;   // Entries before this one.
    std::uint32_t right = kNone;  // Entries after it.
  };

  bool Before(std::uint32_t a, std::uint32_t b) const {
    const double room_a = nodes_[a].room, room_b = nodes_[b].room;
    return room_a < room_b || (room_a == room_b && a < b);
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
      const Node& node = nodes_[t];
      if (wanted(node.room)) {
        found = t;
        t = node.left;
      } else {
        t = node.right;
      }
    }
    return found;
  }

  std::uint32_t InsertUnder(std::uint32_t top, std::uint32_t bin) {
    if (top == kNone) return bin;
    if (Priority(bin) > Priority(top)) {
      Divide(top, bin, nodes_[bin].left, nodes_[bin].right);
      return bin;
    }
    if (Before(bin, top)) {
      nodes_[top].left = InsertUnder(nodes_[top].left, bin);
    } else {
      nodes_[top].right = InsertUnder(nodes_[top].right, bin);
    }
    return top;
  }

  std::uint32_t EraseUnder(std::uint32_t top, std::uint32_t bin) {
    if (top == bin) return Join(nodes_[bin].left, nodes_[bin].right);
    if (Before(bin, top)) {
      nodes_[top].left = EraseUnder(nodes_[top].left, bin);
    } else {
      nodes_[top].right = EraseUnder(nodes_[top].right, bin);
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
      Divide(nodes_[top].right, bin, nodes_[top].right, after);
    } else {
      after = top;
      Divide(nodes_[top].left, bin, before, nodes_[top].left);
    }
  }

  // One tree of the entries of `first` followed by those of `second`.
  std::uint32_t Join(std::uint32_t first, std::uint32_t second) {
    if (first == kNone) return second;
    if (second == kNone) return first;
    if (Priority(first) > Priority(second)) {
      nodes_[first].right = Join(nodes_[first].right, second);
      return first;
    }
    nodes_[second].left = Join(first, nodes_[second].left);
    return second;
  }

  std::vector<Node> nodes_;  // Node k is bin k's entry, if it has one.
  std::uint32_t root_ = kNone;
};

#endif  // QUARRIMEL_ENGINES_BEST_FIT_ROOM_TREE_H_
