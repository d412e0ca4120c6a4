// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/packing_check.h"

#include <cfloat>
#include <cmath>
#include <map>
#include <sstream>

std::string CheckPacking(const std::vector<Bin>& bins,
                         const std::vector<Item*>& items, double tolerance) {
  return CheckPacking(ViewsOf(bins), items, tolerance);
}

std::string CheckPacking(const std::vector<BinView>& bins,
                         const std::vector<Item*>& items, double tolerance) {
  std::map<const Item*, int> seen;
  for (const Item* item : items) seen[item] = 0;
  std::ostringstream fault;
  for (std::size_t b = 0; b < bins.size(); ++b) {
    const BinView& bin = bins[b];
    if (bin.count == 0) {
      fault << "bin " << b << " is empty";
      return fault.str();
    }
    double sum = 0;
    bool whole = true;  // Are all the bin's sizes whole numbers?
    for (const Item* item : bin) {
      auto it = seen.find(item);
      if (it == seen.end()) {
        fault << "bin " << b << " holds an item that is not in the input";
        return fault.str();
      }
      if (++it->second > 1) {
        fault << "item " << item->name << " is packed twice";
        return fault.str();
      }
      sum += item->size;
      whole = whole && item->size == std::floor(item->size);
    }
    if (std::fabs(sum - bin.used) > tolerance * std::max(1.0, sum)) {
      fault << "bin " << b << " has used " << bin.used << " but holds " << sum;
      return fault.str();
    }
    // Fractional sizes are decimals rounded to binary: a bin filled exactly
    // on paper may sum to a few last bits over its capacity. Whole sizes sum
    // exactly, so they get no slack.
    const double slack =
        whole ? 0 : static_cast<double>(bin.count) * DBL_EPSILON * bin.capacity;
    if (bin.used > bin.capacity + slack) {
      fault << "bin " << b << " is over capacity: " << bin.used << " > "
            << bin.capacity;
      return fault.str();
    }
  }
  for (const auto& entry : seen) {
    if (entry.second == 0) {
      fault << "item " << entry.first->name << " is in no bin";
      return fault.str();
    }
  }
  return "";
}
