// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of many names, side by side in a few large blocks.
#ifndef QUARRIMEL_INPUT_NAME_STORE_H_
#define QUARRIMEL_INPUT_NAME_STORE_H_

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// A name kept here costs its bytes and nothing more: no allocation of its
// own, no header, no terminator. Blocks never move, so every view handed out
// stays valid for the life of the store.
class NameStore {
 public:
  NameStore() = default;
  NameStore(const NameStore&) = delete;
  NameStore& operator=(const NameStore&) = delete;

  // A copy of `name` that lives as long as this store.
  std::string_view Keep(std::string_view name) {
    if (name.empty()) return {};
    if (name.size() > room_) {
      if (name.size() > kBlockBytes / kLongNameShare) {
        // Kept in a block of its own, so the current block's room is not
        // thrown away for it.
        return Copy(name, NewBlock(name.size()));
      }
      free_ = NewBlock(kBlockBytes);
      room_ = kBlockBytes;
    }
    const std::string_view kept = Copy(name, free_);
    free_ += name.size();
    room_ -= name.size();
    return kept;
  }

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
  // Names longer than this share of a block get a block of their own.
  static constexpr std::size_t kLongNameShare = 16;

  char* NewBlock(std::size_t bytes) {
    blocks_.push_back(std::make_unique<char[]>(bytes));
    return blocks_.back().get();
  }
  static std::string_view Copy(std::string_view name, char* to) {
    std::memcpy(to, name.data(), name.size());
    return {to, name.size()};
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // The unused end of the last shared block.
  std::size_t room_ = 0;  // Its length.
};

#endif  // QUARRIMEL_INPUT_NAME_STORE_H_
