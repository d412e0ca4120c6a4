// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: checks that a packing is sound.
#ifndef QUARRIMEL_ENGINES_PACKING_CHECK_H_
#define QUARRIMEL_ENGINES_PACKING_CHECK_H_

#include <string>
#include <vector>

#include "engines/bin.h"
#include "engines/bin_view.h"

// Returns "" when `bins` hold every item of `items` exactly once, no bin is
// empty or over its capacity, and each bin's `used` equals the sum of its
// item sizes (within `tolerance`, for fractional sizes); otherwise a
// description of the first fault found. A bin holding a fractional size may
// pass its capacity by the rounding of its sum, one unit in the last place
// of the capacity per item.
std::string CheckPacking(const std::vector<BinView>& bins,
                         const std::vector<Item*>& items,
                         double tolerance = 1e-9);
std::string CheckPacking(const std::vector<Bin>& bins,
                         const std::vector<Item*>& items,
                         double tolerance = 1e-9);

#endif  // QUARRIMEL_ENGINES_PACKING_CHECK_H_
