// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/optimizer.h"

#include <cmath>
#include <cstdint>
#include <iostream>

#include "base/params.h"
#include "base/size.h"
#include "input/input.h"

namespace {

// Quotients this close above a whole number count as that number, so that a
// total that is k times the target up to rounding noise is not one bin more.
constexpr double kWholeBinSlack = 0.000001;

}  // namespace

unsigned TheoreticalMinimum(double total_size, double target) {
  const double quotient = total_size / target;
  const double nearest = std::round(quotient);  // Halves away from zero.
  double bins = std::ceil(quotient);
  if (quotient > nearest && quotient - nearest < kWholeBinSlack) {
    bins = nearest;
  }
  // The stored field is 32 bits; a quotient beyond it (or not a number)
  // cannot come from accepted items, but must not overflow the conversion.
  if (!(bins >= 0)) return 0;
  if (bins > UINT32_MAX) return UINT32_MAX;
  return static_cast<unsigned>(bins);
}

Optimizer::Optimizer(Input& input)
    : input(input), params(*input.params), totalSize(input.totalSize) {
  if (params.ga_theo_bins == 0) {
    params.ga_theo_bins = TheoreticalMinimum(totalSize, params.target);
  }
  if (params.verbose) {
    std::cout << "> Searching... " << std::flush << std::endl;
  }
}

std::ostream& Optimizer::PrintHeader(std::ostream& out) {
  out << "> Target: " << FormatSize(params, params.target)
      << "\n> Input size: " << input.items.size()
      << "\n> Theoretical minimum number of bins: " << params.ga_theo_bins
      << std::endl;
  return out;
}
