// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/split.h"

#include <cassert>
#include <iostream>

#include "driver/params.h"
#include "input/input.h"

Split::Split(Input& input) : Optimizer(input) {}

void Split::Search() {
  assert(!input.items.empty());
  if (params.verbose) PrintHeader(std::cout);
  bins_.assign(1, Bin());
  bins_.back().capacity = params.target;
  result = &bins_;
  for (Item* item : input.items) {
    // Only the last bin is ever looked at: the input order is kept.
    if (bins_.back().room() < item->size) {
      bins_.emplace_back();
      bins_.back().capacity = params.target;
    }
    bins_.back().Add(item);
  }
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
