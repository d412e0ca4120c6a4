// SPDX-License-Identifier: GPL-3.0-or-later
// The genetic algorithm's variation operators: bin-injection crossover and
// bin-dissolving mutation, and the repair that puts the items they displace
// (the loose items) back into bins. All draws go through
// engines/ga_random.h, in a fixed order, so a seed repeats a run exactly.
#ifndef QUARRIMEL_ENGINES_GA_OPERATORS_H_
#define QUARRIMEL_ENGINES_GA_OPERATORS_H_

#include <cstddef>
#include <vector>

#include "engines/bin.h"
#include "engines/first_fit.h"
#include "engines/ga_individual.h"
#include "engines/loose_items.h"
#include "input/item.h"

// Crossover and mutation, with the working storage they reuse from call to
// call so that building a child allocates little.
class GaOperators {
 public:
  // `capacity` is the capacity of every bin opened; `items` are all the
  // items the packings may hold (ids expected below their count; larger ones
  // are handled, at a cost).
  GaOperators(double capacity, const std::vector<Item*>& items);

  // Builds two children from parents p1 and p2 and puts them into c1 and c2
  // (their fitness is left as it was). Each child is the receiving parent
  // with a random run of the other parent's bins injected at the start of
  // its own random run; receiving bins that share an item with the injected
  // ones are dropped and their other items reinserted. Both children are
  // built from the parents as they were before the call, so c1 or c2 may be
  // the same individual as a parent (or as each other: c2 is written last).
  // REQUIRES: both parents hold at least two bins.
  void Crossover(const Individual& p1, const Individual& p2, Individual& c1,
                 Individual& c2);
  // Dissolves one random bin of `bins` and reinserts its items.
  void Mutate(std::vector<Bin>& bins);
  // Improve(), then first fit of what is still loose, in its order.
  // Leaves `loose` empty.
  void Reinsert(std::vector<Bin>& bins, LooseItems& loose);
  // First fit of `items`, in order, into `bins`.
  void FirstFit(std::vector<Bin>& bins, const std::vector<Item*>& items) {
    first_fit_.Place(bins, items);
  }

  // The child before repair: into `child`, the receiver's bins before
  // `insert_at` that share nothing with donor bins first..last, copies of
  // those donor bins, then the receiver's remaining such bins. The other
  // items of every dropped receiver bin are appended to `loose` in bin
  // order.
  void InjectSection(const Individual& receiver, const Individual& donor,
                     std::size_t first, std::size_t last, std::size_t insert_at,
                     std::vector<Bin>& child, LooseItems& loose);

 private:
  struct Section {
    std::size_t first;
    std::size_t last;
  };
  Section DrawSection(std::size_t bin_count) const;
  void BuildChild(const Individual& receiver, const Individual& donor,
                  Section donated, std::size_t insert_at,
                  std::vector<Bin>& child);
  void MarkDonors(const std::vector<Bin>& bins, Section donated);
  bool IsDonated(std::size_t id) const;
  // If `bin` shares an item with the marked donor bins, appends its other
  // items to `loose` and returns true; the bin is left as it is.
  bool Conflicts(const Bin& bin, LooseItems& loose) const;

  FirstFitter first_fit_;
  // donated_[id] == stamp_ marks the items of the donated bins; a new stamp
  // per child clears all marks at once. One byte an item keeps the marks in
  // the nearest cache; they are wiped when the stamp wraps, once every 255
  // children.
  std::vector<unsigned char> donated_;
  unsigned char stamp_ = 0;
  LooseItems loose_;               // Of the packing being repaired.
  std::vector<Bin> first_child_;   // Children under construction; after a
  std::vector<Bin> second_child_;  // swap they hold storage for reuse.
};

#endif  // QUARRIMEL_ENGINES_GA_OPERATORS_H_
