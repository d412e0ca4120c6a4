// SPDX-License-Identifier: GPL-3.0-or-later
// The genetic algorithm's variation operators: bin-injection crossover,
// bin-dissolving mutation, and the repair that puts displaced ("loose") items
// back into bins. All draws go through engines/ga_random.h, in a fixed order,
// so a seed repeats a run exactly.
#ifndef QUARRIMEL_ENGINES_GA_OPERATORS_H_
#define QUARRIMEL_ENGINES_GA_OPERATORS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/bin.h"
#include "engines/ga_individual.h"
#include "input/item.h"

// Places items first fit. Each item's bin is found in O(log bins) through a
// tree of the largest room under every node, yet the choice is exactly the
// one a scan from the first bin would make.
class FirstFitter {
 public:
  explicit FirstFitter(double capacity) : capacity_(capacity) {}

  // Adds each item of `items`, in order, to the first bin of `bins` whose
  // room is at least its size; opens a bin of the capacity at the end when
  // none has room.
  void Place(std::vector<Bin>& bins, const std::vector<Item*>& items);

 private:
  void Build(const std::vector<Bin>& bins, std::size_t slots);
  // Position of the first bin with room for `size`, or `none` if none has.
  std::size_t FirstWithRoom(double size, std::size_t none) const;
  void SetRoom(std::size_t position, double room);

  double capacity_;               // Of every bin opened.
  std::size_t leaves_ = 0;        // Bin slots in the tree, a power of two.
  std::vector<double> max_room_;  // Heap layout; node 1 is the root.
};

// The three moves of the local search. Each works on one bin and `freeItems`
// (items in no bin, kept largest first), swaps bin items for loose ones only
// when the bin's room stays non-negative, keeps `freeItems` sorted, and
// returns whether it changed anything. With too few loose items they change
// nothing and draw nothing.

// Swaps a randomly chosen bin item for the first loose item that is strictly
// larger and fits in its place.
// REQUIRES: the bin holds at least one item.
bool ReplaceOne(Bin& bin, std::vector<Item*>& freeItems);
// Swaps two randomly chosen bin items for one loose item at least as large
// as both together that fits.
// REQUIRES: the bin holds at least two items.
bool ReplaceTwoByOne(Bin& bin, std::vector<Item*>& freeItems);
// Swaps three randomly chosen bin items for the largest loose item and one
// other, together at least as large as the three, that fit.
// REQUIRES: the bin holds at least three items.
bool ReplaceThreeByTwo(Bin& bin, std::vector<Item*>& freeItems);

// Sorts `freeItems` largest first, then passes over the bins trying the three
// moves on each until a whole pass changes nothing. Bins keep their count.
void Improve(std::vector<Bin>& bins, std::vector<Item*>& freeItems);

// Inserts `item` into `freeItems` (largest first) ahead of every item of the
// same size.
void InsertBySize(std::vector<Item*>& freeItems, Item* item);

// Crossover and mutation, with the working storage they reuse from call to
// call so that building a child allocates little.
class GaOperators {
 public:
  // `capacity` is the capacity of every bin opened; item ids are expected
  // below `item_count` (larger ones are handled, at a cost).
  GaOperators(double capacity, std::size_t item_count);

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
  // Improve(), then first fit of what is still loose, largest first.
  // Leaves `freeItems` empty.
  void Reinsert(std::vector<Bin>& bins, std::vector<Item*>& freeItems);
  // First fit of `items`, in order, into `bins`.
  void FirstFit(std::vector<Bin>& bins, const std::vector<Item*>& items) {
    first_fit_.Place(bins, items);
  }

  // The child before repair: into `child`, the receiver's bins before
  // `insert_at` that share nothing with donor bins first..last, copies of
  // those donor bins, then the receiver's remaining such bins. The other
  // items of every dropped receiver bin are appended to `freeItems` in bin
  // order.
  void InjectSection(const Individual& receiver, const Individual& donor,
                     std::size_t first, std::size_t last, std::size_t insert_at,
                     std::vector<Bin>& child, std::vector<Item*>& freeItems);

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
  // items to `freeItems` and returns true; the bin is left as it is.
  bool Conflicts(const Bin& bin, std::vector<Item*>& freeItems) const;

  FirstFitter first_fit_;
  // donated_[id] == stamp_ marks the items of the donated bins; a new stamp
  // per child clears all marks at once. One byte an item keeps the marks in
  // the nearest cache; they are wiped once every 255 children, when the
  // stamp wraps.
  std::vector<unsigned char> donated_;
  unsigned char stamp_ = 0;
  std::vector<Item*> free_items_;  // Loose items of the child being built.
  std::vector<Bin> first_child_;   // Children under construction; after a
  std::vector<Bin> second_child_;  // swap they hold storage for reuse.
};

#endif  // QUARRIMEL_ENGINES_GA_OPERATORS_H_
