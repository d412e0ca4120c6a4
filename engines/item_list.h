// SPDX-License-Identifier: GPL-3.0-or-later
// The items of one bin, each with a copy of its size and id. Up to
// kInlineItems of them are kept inside the object itself; beyond that they
// move to one heap block. Most bins hold a handful of items, so a whole
// packing then lies in one block of memory: copying a packing is a plain
// copy of that block, and the genetic algorithm reads a bin's item sizes and
// ids from the bin itself instead of chasing a pointer per item into the
// item table.
#ifndef QUARRIMEL_ENGINES_ITEM_LIST_H_
#define QUARRIMEL_ENGINES_ITEM_LIST_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "input/item.h"

class ItemList {
 public:
  using value_type = Item*;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using const_reference = Item* const&;
  using reference = const_reference;
  using const_pointer = Item* const*;
  using pointer = const_pointer;
  // Read-only: an item is changed through Set() so that its size copy
  // follows it.
  using const_iterator = Item* const*;
  using iterator = const_iterator;

  static constexpr std::uint32_t kInlineItems = 4;

  ItemList() noexcept : inline_{}, size_(0), capacity_(kInlineItems) {}
  ItemList(const ItemList& other) : ItemList() { *this = other; }
  ItemList(ItemList&& other) noexcept : ItemList() { Steal(other); }
  ~ItemList() { Release(); }

  ItemList& operator=(const ItemList& other) {
    // Both inline, the common case: a fixed-size copy, much cheaper than
    // three calls of memcpy.
    if (!OnHeap() && !other.OnHeap()) {
      inline_ = other.inline_;
      size_ = other.size_;
      return *this;
    }
    return AssignFromHeap(other);
  }
  ItemList& operator=(ItemList&& other) noexcept {
    if (this != &other) {
      Release();
      size_ = 0;
      capacity_ = kInlineItems;
      Steal(other);
    }
    return *this;
  }

  const_iterator begin() const noexcept { return Items(); }
  const_iterator end() const noexcept { return Items() + size_; }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  Item* operator[](std::size_t k) const noexcept { return Items()[k]; }
  // The size and id of the item at `k`, as they were when the item was put
  // there.
  double SizeAt(std::size_t k) const noexcept { return Sizes()[k]; }
  std::size_t IdAt(std::size_t k) const noexcept { return Ids()[k]; }
  // All the ids, in item order, for walks over many of them.
  const std::uint32_t* Ids() const noexcept {
    return OnHeap() ? heap_.ids : inline_.ids;
  }

  void push_back(Item* item) {
    if (size_ == capacity_) Reallocate(Grown(), size_);
    Put(size_, item);
    ++size_;
  }
  // Puts `item` at `k` in place of the item there.
  void Set(std::size_t k, Item* item) noexcept { Put(k, item); }
  // Removes the item at `position`; the later items move up one place.
  const_iterator erase(const_iterator position) noexcept {
    const std::size_t k = static_cast<std::size_t>(position - begin());
    const std::size_t after = size_ - k - 1;
    std::memmove(Items() + k, Items() + k + 1, after * sizeof(Item*));
    std::memmove(Sizes() + k, Sizes() + k + 1, after * sizeof(double));
    std::memmove(Ids() + k, Ids() + k + 1, after * sizeof(std::uint32_t));
    --size_;
    return begin() + k;
  }

  friend bool operator==(const ItemList& a, const ItemList& b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }
  friend bool operator!=(const ItemList& a, const ItemList& b) {
    return !(a == b);
  }

 private:
  bool OnHeap() const noexcept { return capacity_ > kInlineItems; }
  Item** Items() noexcept { return OnHeap() ? heap_.items : inline_.items; }
  Item* const* Items() const noexcept {
    return OnHeap() ? heap_.items : inline_.items;
  }
  double* Sizes() noexcept { return OnHeap() ? heap_.sizes : inline_.sizes; }
  const double* Sizes() const noexcept {
    return OnHeap() ? heap_.sizes : inline_.sizes;
  }
  std::uint32_t* Ids() noexcept { return OnHeap() ? heap_.ids : inline_.ids; }

  // The copy when either list holds its items on the heap; kept out of line
  // so that the inline copy above stays small enough to inline wherever
  // packings are copied.
  ItemList& AssignFromHeap(const ItemList& other);

  void Put(std::size_t k, Item* item) noexcept {
    Items()[k] = item;
    Sizes()[k] = item->size;
    // Ids beyond 32 bits cannot occur: an item list of 2^32 items would not
    // fit in memory next to its items.
    Ids()[k] = static_cast<std::uint32_t>(item->id);
  }

  // Copies `count` entries into this list's slots from 0 on.
  void CopyEntries(Item* const* items, const double* sizes,
                   const std::uint32_t* ids, std::size_t count) noexcept {
    std::memcpy(Items(), items, count * sizeof(Item*));
    std::memcpy(Sizes(), sizes, count * sizeof(double));
    std::memcpy(Ids(), ids, count * sizeof(std::uint32_t));
  }

  std::size_t Grown() const {
    constexpr std::size_t kMost = std::numeric_limits<std::uint32_t>::max();
    if (capacity_ == kMost) throw std::bad_alloc();
    return std::min<std::size_t>(kMost, 2 * std::size_t{capacity_});
  }

  // Moves the first `keep` items into a heap block of `count` slots.
  void Reallocate(std::size_t count, std::size_t keep) {
    if (count > std::numeric_limits<std::uint32_t>::max()) {
      throw std::bad_alloc();
    }
    // One block: the item pointers, their sizes, then their ids.
    void* block = count == kSmallBlock ? TakeSmallBlock()
                                       : ::operator new(BlockBytes(count));
    Heap fresh;
    fresh.items = static_cast<Item**>(block);
    fresh.sizes = reinterpret_cast<double*>(fresh.items + count);
    fresh.ids = reinterpret_cast<std::uint32_t*>(fresh.sizes + count);
    std::memcpy(fresh.items, Items(), keep * sizeof(Item*));
    std::memcpy(fresh.sizes, Sizes(), keep * sizeof(double));
    std::memcpy(fresh.ids, Ids(), keep * sizeof(std::uint32_t));
    Release();
    heap_ = fresh;
    capacity_ = static_cast<std::uint32_t>(count);
  }

  void Release() noexcept {
    if (!OnHeap()) return;
    if (capacity_ == kSmallBlock) {
      GiveSmallBlock(heap_.items);
    } else {
      ::operator delete(heap_.items);
    }
  }

  static constexpr std::size_t BlockBytes(std::size_t count) {
    return count * (sizeof(Item*) + sizeof(double) + sizeof(std::uint32_t));
  }

  // Copying packings over each other moves bins of a few items more than
  // kInlineItems between slots that hold inline bins, so such blocks are
  // allocated and freed all the time. Blocks of that one size are kept on a
  // short per-thread list for reuse.
  static constexpr std::uint32_t kSmallBlock = 2 * kInlineItems;
  struct SpareBlocks {
    static constexpr std::size_t kMost = 4096;
    std::vector<void*> blocks;
    ~SpareBlocks() {
      for (void* block : blocks) ::operator delete(block);
    }
  };
  static SpareBlocks& Spares() {
    thread_local SpareBlocks spares;
    return spares;
  }
  static void* TakeSmallBlock() {
    std::vector<void*>& blocks = Spares().blocks;
    if (blocks.empty()) return ::operator new(BlockBytes(kSmallBlock));
    void* block = blocks.back();
    blocks.pop_back();
    return block;
  }
  static void GiveSmallBlock(void* block) noexcept {
    std::vector<void*>& blocks = Spares().blocks;
    if (blocks.size() < SpareBlocks::kMost) {
      if (blocks.capacity() == 0) {
        // Reserved up front so that keeping a block never allocates (and
        // so never throws).
        try {
          blocks.reserve(SpareBlocks::kMost);
        } catch (const std::bad_alloc&) {
          ::operator delete(block);
          return;
        }
      }
      blocks.push_back(block);
    } else {
      ::operator delete(block);
    }
  }

  // Takes `other`'s items, leaving it empty. REQUIRES: this list is empty
  // and inline.
  void Steal(ItemList& other) noexcept {
    if (other.OnHeap()) {
      heap_ = other.heap_;
      capacity_ = other.capacity_;
      other.capacity_ = kInlineItems;
    } else {
      inline_ = other.inline_;
    }
    size_ = other.size_;
    other.size_ = 0;
  }

  struct Inline {
    Item* items[kInlineItems];
    double sizes[kInlineItems];
    std::uint32_t ids[kInlineItems];
  };
  struct Heap {
    Item** items;        // The start of the block.
    double* sizes;       // Inside the block, after the pointers.
    std::uint32_t* ids;  // Inside the block, after the sizes.
  };
  union {
    Inline inline_;
    Heap heap_;
  };
  std::uint32_t size_;
  std::uint32_t capacity_;  // kInlineItems while the items are inline.
};

#endif  // QUARRIMEL_ENGINES_ITEM_LIST_H_
