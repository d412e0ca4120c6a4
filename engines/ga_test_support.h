// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper for the genetic algorithm's packings.
#ifndef QUARRIMEL_ENGINES_GA_TEST_SUPPORT_H_
#define QUARRIMEL_ENGINES_GA_TEST_SUPPORT_H_

#include <string>
#include <vector>

#include "engines/bin.h"
#include "engines/packing_check.h"

// CheckPacking, except that a bin's `used` may lie a rounding error above its
// capacity. The repair moves update `used` by differences rather than by
// summing the bin, so with fractional sizes it can drift an ulp or so from
// the sum: a bin whose items add up to exactly the capacity may then show a
// `used` one ulp above it.
inline std::string CheckPackingUpToRounding(std::vector<Bin> bins,
                                            const std::vector<Item*>& items) {
  for (Bin& bin : bins) bin.capacity *= 1 + 1e-12;
  return CheckPacking(bins, items);
}

#endif  // QUARRIMEL_ENGINES_GA_TEST_SUPPORT_H_
