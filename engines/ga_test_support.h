// SPDX-License-Identifier: GPL-3.0-or-later
// Test helpers for the genetic algorithm: items made by name and size,
// random packings with loose items and listings by name.
#ifndef QUARRIMEL_ENGINES_GA_TEST_SUPPORT_H_
#define QUARRIMEL_ENGINES_GA_TEST_SUPPORT_H_

#include <deque>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/params.h"
#include "engines/bin.h"
#include "engines/bin_view.h"
#include "engines/ga_individual.h"
#include "engines/genetic_algorithm.h"
#include "engines/optimizer.h"
#include "engines/packing.h"
#include "engines/packing_check.h"
#include "input/input.h"

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

// Items made by name and size, owned by an Input so they carry ids 0..n-1.
class Items {
 public:
  explicit Items(const std::vector<std::pair<std::string, double>>& sized)
      : input_(params_, sized) {}
  Item* operator[](const std::string& name) const {
    for (Item* item : input_.items) {
      if (item->name == name) return item;
    }
    ADD_FAILURE() << "no item " << name;
    return nullptr;
  }
  const std::vector<Item*>& all() const { return input_.items; }

 private:
  Params params_;
  Input input_;
};

inline Bin MakeBin(double capacity, const std::vector<Item*>& items) {
  Bin bin{{}, 0, capacity};
  for (Item* item : items) bin.Add(item);
  return bin;
}

// "a b " for items a and b.
template <typename Items>
inline std::string Names(const Items& items) {
  std::string text;
  for (const Item* item : items) {
    text += item->name;
    text += ' ';
  }
  return text;
}

// "a b | c | " for two bins.
inline std::string Names(const std::vector<Bin>& bins) {
  std::string text;
  for (const Bin& bin : bins) text += Names(bin.items) + "| ";
  return text;
}

// ---- Block packings and bins --------------------------------------------

// Item sizes and items by id.
struct ById {
  std::vector<double> sizes;
  std::vector<Item*> items;
  explicit ById(const std::vector<Item*>& all) {
    for (Item* item : all) {
      if (item->id >= items.size()) {
        items.resize(item->id + 1, nullptr);
        sizes.resize(item->id + 1, 0);
      }
      items[item->id] = item;
      sizes[item->id] = item->size;
    }
  }
};

inline std::vector<std::uint32_t> IdsOf(const std::vector<Item*>& items) {
  std::vector<std::uint32_t> ids;
  for (const Item* item : items) {
    ids.push_back(static_cast<std::uint32_t>(item->id));
  }
  return ids;
}

// The bins as a block packing at rest, their `used` kept as they are.
inline Packing PackingOf(const std::vector<Bin>& bins, double capacity) {
  Packing packing;
  packing.capacity = capacity;
  for (const Bin& bin : bins) {
    for (std::size_t i = 0; i < bin.items.size(); ++i) {
      packing.ids.push_back(static_cast<std::uint32_t>(bin.items.IdAt(i)));
    }
    packing.used.push_back(bin.used);
    packing.counts.push_back(static_cast<std::uint32_t>(bin.items.size()));
  }
  return packing;
}

// The bins of a packing, their `used` kept as they are; bin k starts at
// (*starts)[k], or end to end when `starts` is null.
inline std::vector<Bin> BinsOf(
    const Packing& packing, const std::vector<Item*>& all,
    const std::vector<std::uint32_t>* starts = nullptr) {
  const ById by_id(all);
  std::vector<Bin> bins;
  std::size_t start = 0;
  for (std::size_t k = 0; k < packing.size(); ++k) {
    if (starts != nullptr) start = (*starts)[k];
    Bin bin{{}, packing.used[k], packing.capacity};
    for (std::uint32_t i = 0; i < packing.counts[k]; ++i) {
      bin.items.push_back(by_id.items[packing.ids[start + i]]);
    }
    start += packing.counts[k];
    bins.push_back(bin);
  }
  return bins;
}

// "a b | c | " for a packing of two bins, of items among `all`.
inline std::string Names(const Packing& packing,
                         const std::vector<Item*>& all) {
  return Names(BinsOf(packing, all));
}

// The result of an engine's search as bins.
inline std::vector<Bin> ResultOf(const Optimizer& engine) {
  std::vector<Bin> bins;
  for (const BinView& view : engine.ResultBins()) {
    Bin bin{{}, view.used, view.capacity};
    for (Item* item : view) bin.items.push_back(item);
    bins.push_back(bin);
  }
  return bins;
}

inline std::uint32_t IdOf(const Item* item) {
  return static_cast<std::uint32_t>(item->id);
}

// A bin of `items` copies of one item, filled to `used` whatever their sizes.
inline Bin FilledBin(double capacity, double used, std::size_t items) {
  static Item item{"x", 1, 0};
  Bin bin{{}, used, capacity};
  for (std::size_t k = 0; k < items; ++k) bin.items.push_back(&item);
  return bin;
}

inline Individual IndividualOf(const std::vector<Bin>& bins, double capacity,
                               double fitness = 0) {
  return Individual{PackingOf(bins, capacity), fitness};
}

// An individual of bins of capacity 10 with the given fitness.
inline Individual Shape(double fitness, const std::vector<Bin>& bins) {
  return IndividualOf(bins, 10, fitness);
}

// ---- Whole engines ---------------------------------------------------------

using Sizes = std::vector<double>;

// Items named i0, i1, ... with the given sizes.
inline std::vector<std::pair<std::string, double>> Named(const Sizes& sizes) {
  std::vector<std::pair<std::string, double>> named;
  for (double size : sizes) {
    named.emplace_back("i" + std::to_string(named.size()), size);
  }
  return named;
}

// An input and the engine built on it from the given settings.
struct GaRun {
  GaRun(const Params& settings, const Sizes& sizes)
      : params(settings), input(params, Named(sizes)), ga(input) {}
  Params params;
  Input input;
  GeneticAlgorithm ga;
};

// Settings for a target and, when not 0, a number of generations.
inline Params Settings(double target, int32_t generations = 0) {
  Params params;
  params.target = target;
  params.ga_num_generations = generations;
  return params;
}

// ---- Random cases for the differential tests --------------------------------

// Sizes from a few values, so that equal sizes, exact fits and fractional
// rounding all occur often.
inline double RandomSize(std::mt19937& gen) {
  static const double kSizes[] = {1,   2,   3,  5,  5,  7,    10, 12.5, 0.1,
                                  0.2, 0.7, 20, 25, 30, 33.3, 40, 50};
  return kSizes[std::uniform_int_distribution<int>(0, 16)(gen)];
}

// A random individual of bins within `capacity` plus loose items (sorted
// largest first when `sorted`), all owned by `store`.
struct RandomCase {
  std::deque<std::string> names;  // The items' names; stable addresses.
  std::vector<std::unique_ptr<Item>> store;
  std::vector<Bin> bins;
  std::vector<Item*> loose;
  double capacity = 0;

  Item* NewItem(double size) {
    names.push_back("i" + std::to_string(store.size()));
    store.push_back(
        std::make_unique<Item>(Item{names.back(), size, store.size()}));
    return store.back().get();
  }
};

inline RandomCase MakeCase(std::mt19937& gen, int max_bins, int max_loose,
                           bool sorted) {
  RandomCase c;
  c.capacity = std::uniform_int_distribution<int>(0, 1)(gen) ? 50 : 60.1;
  const int bins = std::uniform_int_distribution<int>(1, max_bins)(gen);
  for (int b = 0; b < bins; ++b) {
    Bin bin{{}, 0, c.capacity};
    const int wanted = std::uniform_int_distribution<int>(1, 7)(gen);
    for (int k = 0; k < wanted; ++k) {
      const double size = RandomSize(gen);
      if (bin.room() >= size) bin.Add(c.NewItem(size));
    }
    if (bin.items.empty()) bin.Add(c.NewItem(0.1));
    c.bins.push_back(bin);
  }
  const int loose_count = std::uniform_int_distribution<int>(0, max_loose)(gen);
  for (int k = 0; k < loose_count; ++k) {
    c.loose.push_back(c.NewItem(RandomSize(gen)));
  }
  if (sorted) {
    std::stable_sort(c.loose.begin(), c.loose.end(), BySizeDescending);
  }
  return c;
}

inline std::vector<Item*> AllItems(const RandomCase& c) {
  std::vector<Item*> items;
  for (const auto& item : c.store) items.push_back(item.get());
  return items;
}

#endif  // QUARRIMEL_ENGINES_GA_TEST_SUPPORT_H_
