// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/name_store.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Names of every length from 0 to past a block, many times over, so that
// blocks fill up, long names take blocks of their own in between, and every
// view must still read its own bytes once all are kept.
TEST(NameStoreTest, EveryNameKeepsItsBytesAcrossBlocks) {
  NameStore store;
  std::vector<std::string> originals;
  std::vector<std::string_view> kept;
  for (int round = 0; round < 40; ++round) {
    for (std::size_t length : {0, 1, 7, 26, 300, 65537, 2000000}) {
      std::string name(length, static_cast<char>('a' + round % 26));
      if (!name.empty()) name.back() = '\0';  // Any byte is kept, NUL too.
      originals.push_back(name);
      kept.push_back(store.Keep(name));
      EXPECT_NE(static_cast<const void*>(kept.back().data()),
                static_cast<const void*>(originals.back().data()));
    }
  }
  for (std::size_t k = 0; k < kept.size(); ++k) {
    ASSERT_EQ(kept[k], originals[k]) << "name " << k;
  }
}

}  // namespace
