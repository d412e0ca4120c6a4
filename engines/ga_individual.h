// SPDX-License-Identifier: GPL-3.0-or-later
// One chromosome of the genetic algorithm: a complete packing, whose genes are
// whole bins.
#ifndef QUARRIMEL_ENGINES_GA_INDIVIDUAL_H_
#define QUARRIMEL_ENGINES_GA_INDIVIDUAL_H_

#include "engines/packing.h"

struct Individual {
  Packing bins;        // Every input item is in exactly one bin.
  double fitness = 0;  // At the last evaluation; 0 until evaluated.
};

// The mean over the bins of (used / capacity) squared, summed in bin order:
// in (0, 1], and 1 only when every bin is exactly full. Squaring favours a
// few nearly full bins over evenly filled ones.
// REQUIRES: at least one bin.
double Fitness(const Individual& individual);

// Whether two individuals look alike: close fitness, the same number of bins
// and, bin by bin at the same position, close rooms and equal item counts.
// Which items the bins hold is not compared.
bool SameShape(const Individual& a, const Individual& b);

#endif  // QUARRIMEL_ENGINES_GA_INDIVIDUAL_H_
