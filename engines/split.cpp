// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/split.h"

#include <cassert>
#include <iostream>

#include "base/params.h"
#include "input/input.h"

Split::Split(Input& input) : Optimizer(input) {}

void Split::Search() {
  assert(!input.items.empty());
  if (params.verbose) PrintHeader(std::cout);
  bins_ = FlatBins();
  bins_.used.assign(1, 0);
  bins_.counts.assign(1, 0);
  for (const Item* item : input.items) {
    // Only the last bin is ever looked at: the input order is kept.
    if (params.target - bins_.used.back() < item->size) {
      bins_.used.push_back(0);
      bins_.counts.push_back(0);
    }
    bins_.used.back() += item->size;
    ++bins_.counts.back();
  }
}

std::vector<BinView> Split::ResultBins() const {
  return bins_.Views(input.items, params.target);
}

std::ostream& Split::PrintHeader(std::ostream& out) {
  out << std::endl
      << "> -----------------------------------" << std::endl
      << "> Split \"search\"                 " << std::endl
      << "> -----------------------------------" << std::endl;
  Optimizer::PrintHeader(out);
  out << std::endl;
  return out;
}
