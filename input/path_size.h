// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring files and directory trees on the file system.
#ifndef QUARRIMEL_INPUT_PATH_SIZE_H_
#define QUARRIMEL_INPUT_PATH_SIZE_H_

#include <cstdint>
#include <string>

#include "base/progress.h"

// Bytes per allocation block; set once by Input before anything is measured.
extern uint32_t roundingBlock;

// `bytes` rounded up to a whole number of blocks; 0 becomes one block.
// Saturates at UINT64_MAX when the rounded count would not fit in 64 bits.
uint64_t RoundToBlock(uint64_t bytes);

// Like RoundToBlock, but reports a count that would not fit in 64 bits by
// returning false (`rounded` is then unspecified) instead of saturating.
[[nodiscard]] bool RoundToBlockChecked(uint64_t bytes, uint64_t& rounded);

// The block-rounded size of a file, link or whole directory tree, or 0 when it
// cannot be measured, nor any part of the tree below it (the cause is
// written to stderr first): a tree is measured whole or not at all. The working
// directory is the same afterwards. Each file and directory measured is
// reported to `progress`.
uint64_t PathSize(const std::string& path,
                  ProgressObserver& progress = NoProgress());

#endif  // QUARRIMEL_INPUT_PATH_SIZE_H_
