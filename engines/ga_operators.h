// SPDX-License-Identifier: GPL-3.0-or-later
// The genetic algorithm's variation operators: bin-injection crossover and
// bin-dissolving mutation, and the repair that puts the items they displace
// (the loose items) back into bins. All draws come from the engine's
// EngineDraws, in a fixed order, so a seed repeats a run exactly.
#ifndef QUARRIMEL_ENGINES_GA_OPERATORS_H_
#define QUARRIMEL_ENGINES_GA_OPERATORS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/first_fit.h"
#include "engines/ga_individual.h"
#include "engines/ga_random.h"
#include "engines/ga_settled_bins.h"
#include "engines/loose_items.h"
#include "engines/packing.h"
#include "input/item.h"

// Crossover and mutation, with the working storage they reuse from call to
// call so that building a child allocates little.
class GaOperators {
 public:
  // `items` are all the items the packings may hold; their ids must be
  // distinct (and are best small: tables are indexed by them). Every draw
  // comes from `draws`, which must outlive the operators. With `keep_keys`,
  // every packing the operators build or repair carries the keys of its
  // bins (see SettledBins), so that a repair works out only those of the
  // bins that changed; without, each repair works out all of them, and
  // packings take 8 bytes a bin less.
  GaOperators(const std::vector<Item*>& items, EngineDraws& draws,
              bool keep_keys = true);
  // A copy would draw from the same generator as the original.
  GaOperators(const GaOperators&) = delete;
  GaOperators& operator=(const GaOperators&) = delete;

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
  void Mutate(Packing& bins);
  // Improve(), then first fit of what is still loose, in its order. Leaves
  // `loose` empty and the bins end to end. A packing that carries keys must
  // carry those of its bins as they are.
  void Reinsert(Packing& bins, LooseItems& loose);
  // First fit of `items`, in order, into `bins`.
  void FirstFit(Packing& bins, const std::vector<Item*>& items);

  // The child before repair: into `child`, the receiver's bins before
  // `insert_at` that share nothing with donor bins first..last, copies of
  // those donor bins, then the receiver's remaining such bins. The other
  // items of every dropped receiver bin are appended to `loose` in bin
  // order.
  void InjectSection(const Packing& receiver, const Packing& donor,
                     std::size_t first, std::size_t last, std::size_t insert_at,
                     Packing& child, LooseItems& loose);

  // Item sizes by id.
  const double* sizes() const { return sizes_.data(); }

 private:
  struct Section {
    std::size_t first;
    std::size_t last;
  };
  Section DrawSection(std::size_t bin_count);
  void BuildChild(const Packing& receiver, const Packing& donor,
                  Section donated, std::size_t insert_at, Packing& child);
  // Copies the receiver's bins from..to that share nothing with the donated
  // bins into `child`; the others' undonated items become loose. The bins
  // lie at `start`..`end` of the receiver's ids.
  void KeepUnshared(const Packing& receiver, std::size_t from, std::size_t to,
                    std::uint32_t start, std::uint32_t end, Packing& child,
                    LooseItems& loose);
  void MarkDonors(const Packing& donor, std::uint32_t start,
                  std::uint32_t count);
  bool IsDonated(std::uint32_t id) const {
    return id < donated_.size() && donated_[id] == stamp_;
  }
  // IsDonated for an item of a packing, all of which have a mark: the scan
  // for shared bins reads every item of the receiver for every child.
  bool IsMarked(std::uint32_t id) const { return donated_[id] == stamp_; }
  // Copies bins first..last - 1 of `from_packing`, whose ids lie from
  // `ids_from` to `ids_to`, to the end of `child`.
  // The child is written through two cursors, its ids' and its bins', into
  // storage grown to the receiver's size at the start and cut to size at the
  // end: a copied run costs its copies and a check of room.
  void StartChild(const Packing& receiver, Packing& child);
  void GrowBins(std::size_t bins, Packing& child) const;
  void FinishChild(Packing& child) const;
  // Their keys too when the child carries keys.
  void CopyBins(const Packing& from_packing, std::size_t first,
                std::size_t last, std::uint32_t ids_from, std::uint32_t ids_to,
                Packing& child);
  // Puts the keys of every bin of `bins` into settled_.
  void LendKeys(Packing& bins);
  // Works out again the keys of the bins the last first fit put items in.
  void UpdatePlacedKeys(Packing& bins);
  // Makes the items at `ids` that are not donated loose, in their order.
  void Loosen(const std::uint32_t* ids, std::uint32_t count,
              LooseItems& loose) const;

  EngineDraws& draws_;  // The engine's generator.
  bool keep_keys_;
  std::vector<double> sizes_;  // Item sizes by id.
  std::vector<Item*> items_;   // Items by id, for the first fit of a list.
  FirstFitter first_fit_;
  // donated_[id] == stamp_ marks the items of the donated bins; a new stamp
  // per child clears all marks at once. One byte an item keeps the marks in
  // the nearest cache; they are wiped when the stamp wraps, once every 255
  // children.
  std::vector<unsigned char> donated_;
  unsigned char stamp_ = 0;
  LooseItems loose_;  // Of the packing being repaired.
  // Working storage: bin starts of the packing being repaired, loose ids in
  // order, and the children under construction (after a swap they hold the
  // storage of replaced children, for reuse).
  std::vector<std::uint32_t> starts_, loose_ids_;
  std::vector<std::uint32_t> shrunk_;  // The bins a repair's search shrank.
  SettledBins settled_;
  bool child_keys_ = false;  // Whether the child being built carries keys.
  std::size_t child_ids_ = 0, child_bins_ = 0;  // Its cursors.
  Packing first_child_, second_child_;
};

#endif  // QUARRIMEL_ENGINES_GA_OPERATORS_H_
