// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/ga_individual.h"

#include <cassert>
#include <cmath>

double Fitness(const Individual& individual) {
  const Packing& bins = individual.bins;
  assert(!bins.empty());
  // The squares of a block of fills are worked out apart from the sum, so
  // that their divisions can run side by side; the sum still adds them one
  // by one in bin order.
  constexpr std::size_t kBlock = 8;
  const double* used = bins.used.data();
  const std::size_t count = bins.size();
  double sum = 0;
  std::size_t k = 0;
  for (; k + kBlock <= count; k += kBlock) {
    double squares[kBlock];
    for (std::size_t j = 0; j < kBlock; ++j) {
      const double fill = used[k + j] / bins.capacity;
      squares[j] = fill * fill;
    }
    for (double square : squares) sum += square;
  }
  for (; k < count; ++k) {
    const double fill = used[k] / bins.capacity;
    sum += fill * fill;
  }
  return sum / static_cast<double>(static_cast<unsigned>(bins.size()));
}

namespace {

// Relative closeness, one millionth of each value.
bool Close(double x, double y) {
  const double gap = std::fabs(x - y);
  return gap <= 0.000001 * std::fabs(x) && gap <= 0.000001 * std::fabs(y);
}

}  // namespace

bool SameShape(const Individual& a, const Individual& b) {
  if (!Close(a.fitness, b.fitness)) return false;
  if (a.bins.size() != b.bins.size()) return false;
  for (std::size_t k = 0; k < a.bins.size(); ++k) {
    if (!Close(a.bins.room(k), b.bins.room(k))) return false;
    if (a.bins.counts[k] != b.bins.counts[k]) return false;
  }
  return true;
}
