// SPDX-License-Identifier: GPL-3.0-or-later
// Differential test of the genetic algorithm: a literal, unoptimised model of
// the whole search (plain scans, linear searches, fresh copies everywhere)
// runs on the same items with the same seed, and both must end with the same
// packing, bin for bin and item for item. The model draws the sequence of
// rand() in exactly the order the engine is meant to, so any divergence in a
// draw, a tie-break or an arithmetic step shows up as a different packing.
// The repair's moves and first fit are those of
// engines/ga_model_test_support.h.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/params.h"
#include "engines/ga_model_test_support.h"
#include "engines/ga_test_support.h"
#include "engines/genetic_algorithm.h"
#include "input/input.h"

namespace {

struct ModelIndividual {
  std::vector<Bin> bins;
  double fitness = 0;
};

class ModelGa {
 public:
  ModelGa(Input& input, Params& params)
      : input_(input),
        params_(params),
        draws_(static_cast<std::uint32_t>(params.ga_seed & 0xffffffff)) {
    unsigned pressure = params.ga_sel_pressure;
    tournament_size_ = params.ga_sel_pressure >= 3 ? pressure : 2;
    float n = static_cast<float>(input.items.size());
    pop_size_ = params.ga_pop_size;
    if (pop_size_ <= tournament_size_) {
      pop_size_ = static_cast<unsigned>(std::log(n + 1.0f) * 20.0f);
      if (pop_size_ < tournament_size_ + 1) pop_size_ = tournament_size_ + 1;
    }
    generations_ = params.ga_num_generations > 0
                       ? params.ga_num_generations
                       : static_cast<int>(std::log(n + 1.0f) * 50.0f);
  }

  std::vector<Bin> Search() {
    bool stop = InitialPopulation();
    while (!stop) {
      if (generation_ >= generations_) break;
      stop = Step();
    }
    return best_.bins;
  }

  unsigned pop_size() const { return pop_size_; }
  int generations() const { return generations_; }

 private:
  bool InitialPopulation() {
    ++generation_;
    std::vector<Item*>& items = input_.items;
    for (unsigned k = 0; k < pop_size_; ++k) {
      population_.emplace_back();
      for (std::size_t j = 0; j < items.size(); ++j) {
        std::swap(items[j], items[draws_.RandomIndex(items.size())]);
      }
      model::FirstFit(population_.back().bins, items, params_.target);
      if (Evaluate(population_.back())) return true;
    }
    return false;
  }

  bool Evaluate(ModelIndividual& ind) {
    double sum = 0;
    for (const Bin& bin : ind.bins) {
      double fill = bin.used / bin.capacity;
      sum += fill * fill;
    }
    ind.fitness = sum / static_cast<double>(ind.bins.size());
    if (ind.fitness > best_.fitness) best_ = ind;
    bool stop = ind.fitness >= 1.0 || ind.bins.size() == 1 ||
                (params_.ga_theo && ind.bins.size() <= params_.ga_theo_bins);
    if (stop) best_ = ind;
    return stop;
  }

  std::pair<unsigned, unsigned> Tournament(unsigned lo, unsigned hi) {
    if (tournament_size_ == 2) {
      unsigned a = lo + draws_.RandomIndex(hi - lo + 1);
      unsigned b = draws_.OtherIndex(lo, hi, a);
      if (population_[a].fitness > population_[b].fitness) return {a, b};
      return {b, a};
    }
    std::vector<std::pair<double, unsigned>> contestants;
    unsigned c = lo + draws_.RandomIndex(hi - lo + 1);
    contestants.push_back({population_[c].fitness, c});
    for (unsigned k = 1; k < tournament_size_; ++k) {
      c = draws_.OtherIndex(lo, hi, c);
      contestants.push_back({population_[c].fitness, c});
    }
    std::sort(contestants.begin(), contestants.end());
    return {contestants.back().second, contestants.front().second};
  }

  static bool Close(double x, double y) {
    double d = std::fabs(x - y);
    return d <= 0.000001 * std::fabs(x) && d <= 0.000001 * std::fabs(y);
  }
  bool SameShape(unsigned a, unsigned b) {
    const ModelIndividual& x = population_[a];
    const ModelIndividual& y = population_[b];
    if (!Close(x.fitness, y.fitness) || x.bins.size() != y.bins.size())
      return false;
    for (std::size_t k = 0; k < x.bins.size(); ++k) {
      if (!Close(x.bins[k].room(), y.bins[k].room()) ||
          x.bins[k].items.size() != y.bins[k].items.size())
        return false;
    }
    return true;
  }

  bool Step() {
    ++generation_;
    unsigned half = pop_size_ / 2;
    unsigned i = 0;
    while (i < pop_size_) {
      if (draws_.Chance(params_.ga_cross_prob)) {
        std::pair<unsigned, unsigned> first, second;
        for (int pairs = 0; pairs < 11; ++pairs) {
          first = Tournament(0, half - 1);
          second = Tournament(half, pop_size_ - 1);
          if (!SameShape(first.first, second.first)) break;
        }
        unsigned w1 = first.first, l1 = first.second;
        unsigned w2 = second.first, l2 = second.second;
        Crossover(w1, w2, l1, l2);
        if (draws_.Chance(params_.ga_mutation_prob)) Mutate(l1);
        if (draws_.Chance(params_.ga_mutation_prob)) Mutate(l2);
        if (Evaluate(population_[l1])) return true;
        if (Evaluate(population_[l2])) return true;
        for (int attempt = 0; attempt < 10; ++attempt) {
          unsigned target;
          if (SameShape(l1, w1)) {
            target = l1;
          } else if (SameShape(l2, w2)) {
            target = l2;
          } else if (SameShape(l1, l2)) {
            target = draws_.Chance(0.5f) ? l1 : l2;
          } else {
            break;
          }
          Mutate(target);
          if (Evaluate(population_[target])) return true;
        }
        i += 2;
      } else {
        std::pair<unsigned, unsigned> wl = Tournament(0, pop_size_ - 1);
        population_[wl.second] = population_[wl.first];
        if (draws_.Chance(params_.ga_mutation_prob)) {
          Mutate(wl.second);
          if (Evaluate(population_[wl.second])) return true;
        }
        i += 1;
      }
    }
    return false;
  }

  std::pair<unsigned, unsigned> Section(std::size_t bins) {
    unsigned a = draws_.RandomIndex(bins);
    unsigned b = draws_.OtherIndex(0, bins - 1, a);
    return {std::min(a, b), std::max(a, b)};
  }

  void Crossover(unsigned p1, unsigned p2, unsigned c1, unsigned c2) {
    // Parents are copied first: a child position may coincide with a parent
    // in a population of three.
    ModelIndividual parent1 = population_[p1];
    ModelIndividual parent2 = population_[p2];
    std::pair<unsigned, unsigned> s1 = Section(parent1.bins.size());
    std::pair<unsigned, unsigned> s2 = Section(parent2.bins.size());
    std::vector<Bin> child1 = Child(parent1, parent2, s2, s1.first);
    std::vector<Bin> child2 = Child(parent2, parent1, s1, s2.first);
    population_[c1].bins = child1;
    population_[c2].bins = child2;
  }

  std::vector<Bin> Child(const ModelIndividual& receiver,
                         const ModelIndividual& donor,
                         std::pair<unsigned, unsigned> section,
                         unsigned insertion) {
    std::vector<Bin> child;
    std::vector<Item*> loose;
    std::vector<Bin> injected(donor.bins.begin() + section.first,
                              donor.bins.begin() + section.second + 1);
    for (unsigned k = 0; k < insertion; ++k) {
      if (!Conflicts(receiver.bins[k], injected, loose))
        child.push_back(receiver.bins[k]);
    }
    for (const Bin& bin : injected) child.push_back(bin);
    for (std::size_t k = insertion; k < receiver.bins.size(); ++k) {
      if (!Conflicts(receiver.bins[k], injected, loose))
        child.push_back(receiver.bins[k]);
    }
    Reinsert(child, loose);
    return child;
  }

  static bool Conflicts(const Bin& bin, const std::vector<Bin>& donors,
                        std::vector<Item*>& loose) {
    std::vector<Item*> kept;
    for (Item* item : bin.items) {
      bool shared = false;
      for (const Bin& donor : donors) {
        for (const Item* other : donor.items) shared |= other == item;
      }
      if (!shared) kept.push_back(item);
    }
    if (kept.size() == bin.items.size()) return false;
    loose.insert(loose.end(), kept.begin(), kept.end());
    return true;
  }

  void Mutate(unsigned i) {
    std::vector<Bin>& bins = population_[i].bins;
    unsigned k = draws_.RandomIndex(bins.size());
    std::vector<Item*> loose(bins[k].items.begin(), bins[k].items.end());
    bins.erase(bins.begin() + k);
    Reinsert(bins, loose);
  }

  void Reinsert(std::vector<Bin>& bins, std::vector<Item*>& loose) {
    model::Improve(bins, loose, draws_);
    if (!loose.empty()) {
      std::stable_sort(loose.begin(), loose.end(), BySizeDescending);
      model::FirstFit(bins, loose, params_.target);
      loose.clear();
    }
  }

  Input& input_;
  Params& params_;
  model::Draws draws_;
  unsigned tournament_size_;
  unsigned pop_size_;
  int generations_;
  int generation_ = 0;
  std::vector<ModelIndividual> population_;
  ModelIndividual best_;
};

// Item ids per bin, in bin order and item order, with each bin's `used`.
std::vector<std::pair<std::vector<std::size_t>, double>> Shape(
    const std::vector<Bin>& bins) {
  std::vector<std::pair<std::vector<std::size_t>, double>> shape;
  for (const Bin& bin : bins) {
    std::vector<std::size_t> ids;
    for (const Item* item : bin.items) ids.push_back(item->id);
    shape.push_back({ids, bin.used});
  }
  return shape;
}

struct Instance {
  const char* name;
  int items;
  double min_size, max_size, target;
  bool fractions;
  int32_t sel_pressure;
  uint32_t pop_size;
  int32_t generations;
  float cross_prob, mutation_prob;
};

std::vector<std::pair<std::string, double>> MakeItems(const Instance& c,
                                                      unsigned seed) {
  std::vector<std::pair<std::string, double>> items;
  unsigned state = seed * 2654435761u + 12345u;
  for (int k = 0; k < c.items; ++k) {
    state = state * 1103515245u + 12345u;
    double unit = (state >> 8) / 16777216.0;
    double size = c.min_size + unit * (c.max_size - c.min_size);
    if (!c.fractions) size = std::floor(size);
    items.push_back({"i" + std::to_string(k), size});
  }
  return items;
}

const Instance kInstances[] = {
    {"uniform", 60, 20, 100, 150, false, 0, 0, 0, 0.95f, 0.1f},
    {"fractions", 50, 0.5, 9.75, 17.3, true, 0, 0, 0, 0.95f, 0.1f},
    {"tournament of four", 40, 20, 100, 150, false, 4, 0, 30, 0.95f, 0.1f},
    {"no crossover", 40, 20, 100, 150, false, 0, 0, 30, 0.0f, 0.1f},
    {"always mutate", 40, 20, 100, 150, false, 0, 0, 30, 1.0f, 1.0f},
    {"population of three", 25, 10, 60, 100, false, 0, 3, 40, 0.95f, 0.3f},
    {"small items", 120, 1, 30, 100, false, 3, 0, 20, 0.95f, 0.1f},
};

TEST(GeneticAlgorithmModelTest, SameSeedSamePackingAsLiteralModel) {
  for (const Instance& c : kInstances) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
      std::vector<std::pair<std::string, double>> sized = MakeItems(c, seed);
      Params params;
      params.target = c.target;
      params.plain_numbers = c.fractions;
      params.ga_seed = seed;
      params.ga_sel_pressure = c.sel_pressure;
      params.ga_pop_size = c.pop_size;
      params.ga_num_generations = c.generations;
      params.ga_cross_prob = c.cross_prob;
      params.ga_mutation_prob = c.mutation_prob;

      Params engine_params = params;
      Input engine_input(engine_params, sized);
      GeneticAlgorithm engine(engine_input);
      engine.Search();
      const std::vector<Bin> result = ResultOf(engine);
      EXPECT_EQ(CheckPackingUpToRounding(result, engine_input.items), "");

      Params model_params = params;
      Input model_input(model_params, sized);
      model_params.ga_theo_bins = engine_params.ga_theo_bins;
      ModelGa model(model_input, model_params);
      EXPECT_EQ(model.pop_size(), engine_params.ga_pop_size);
      EXPECT_EQ(model.generations(), engine_params.ga_num_generations);
      std::vector<Bin> expected = model.Search();

      EXPECT_EQ(Shape(result), Shape(expected));
    }
  }
}

}  // namespace
