// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/genetic_algorithm.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <ctime>
#include <iostream>
#include <new>
#include <utility>

#include "base/errors.h"
#include "base/params.h"
#include "base/progress.h"
#include "engines/ga_random.h"
#include "engines/glibc_logf.h"
#include "input/input.h"

// ---- Construction ----------------------------------------------------------

namespace {

// The automatic population size and generation count are these factors
// times ln(n + 1) for n items.
constexpr float kPopulationFactor = 20.0f;
constexpr float kGenerationFactor = 50.0f;

// Up to this many items every packing carries its bins' keys for the
// repair, so that a repair works out only those of the bins that changed
// (about a tenth of the run's time). Beyond, the 8 bytes a bin in each
// packing would be about 0.9 GB at a million items, and each repair works
// the keys out again instead.
constexpr std::size_t kKeysKeptUpTo = 250000;

// factor * ln(n + 1), all in single precision, truncated by the caller.
// The logarithm is glibc's logf() carried in the program, so that the
// counts are the same with any C library.
float AutomaticCount(std::size_t n, float factor) {
  return factor * GlibcLogf(static_cast<float>(n) + 1.0f);
}

}  // namespace

GeneticAlgorithm::GeneticAlgorithm(Input& input)
    : Optimizer(input),
      operators_(input.items, draws, input.items.size() <= kKeysKeptUpTo) {
  const bool many = params.ga_sel_pressure >= 3;
  tournamentSize = many ? static_cast<uint32_t>(params.ga_sel_pressure) : 2;
  tournament = many ? &GeneticAlgorithm::TournamentMany
                    : &GeneticAlgorithm::TournamentTwo;
  SettleSizes();
  try {
    population.reserve(params.ga_pop_size);
  } catch (const std::bad_alloc&) {
    // The population size comes from the user: say which value did not fit.
    throw E_SystemFailure(
        "Not enough memory for a population of %lu individuals",
        static_cast<unsigned long>(params.ga_pop_size));
  }
  Seed();
}

void GeneticAlgorithm::SettleSizes() {
  const std::size_t n = input.items.size();
  if (params.ga_pop_size <= tournamentSize) {
    uint32_t size = static_cast<uint32_t>(AutomaticCount(n, kPopulationFactor));
    // A tournament needs a loser besides its contestants' winner.
    if (size < tournamentSize + 1) size = tournamentSize + 1;
    params.ga_pop_size = size;
  }
  if (params.ga_num_generations <= 0) {
    params.ga_num_generations =
        static_cast<int32_t>(AutomaticCount(n, kGenerationFactor));
  }
}

void GeneticAlgorithm::Seed() {
  int64_t seed = params.ga_seed;
  if (seed == 0) seed = static_cast<int64_t>(std::time(nullptr));
  draws.Seed(static_cast<uint32_t>(static_cast<uint64_t>(seed) & 0xffffffffu));
  // The whole value is kept so that the header shows the seed in force.
  params.ga_seed = seed;
}

std::ostream& GeneticAlgorithm::PrintHeader(std::ostream& out) {
  out << "\n> -----------------------------------"
      << "\n> Genetic Algorithm (steady-state)"
      << "\n> -----------------------------------"
      << "\n> Max number of generations: " << params.ga_num_generations
      << "\n> Population size: " << params.ga_pop_size
      << "\n> Crossover probability: " << params.ga_cross_prob
      << "\n> Mutation probability: " << params.ga_mutation_prob
      << "\n> Tournament size: " << tournamentSize
      << "\n> Seed: " << params.ga_seed << std::endl;
  Optimizer::PrintHeader(out);
  return out << std::flush << std::endl;
}

// ---- The run ---------------------------------------------------------------

void GeneticAlgorithm::Search() {
  const SearchPhase phase(*progress_, params.ga_num_generations,
                          TheoreticalMinimum(totalSize, params.target));
  if (params.verbose) {
    PrintHeader(std::cout);
    std::cout << "> ";
  }
  bool stop = InitialPopulation();
  while (!stop && generation < params.ga_num_generations) {
    if (params.verbose) std::cout << '.' << std::flush;
    stop = Step();
  }
  if (params.verbose) std::cout << " <" << std::endl;
  KeepResult();
}

void GeneticAlgorithm::KeepResult() {
  std::vector<Item*> by_id;
  for (Item* item : input.items) {
    if (item->id >= by_id.size()) by_id.resize(item->id + 1, nullptr);
    by_id[item->id] = item;
  }
  result_items_.clear();
  for (std::uint32_t id : best.bins.ids) result_items_.push_back(by_id[id]);
  result_bins_.used = best.bins.used;
  result_bins_.counts = best.bins.counts;
}

std::vector<BinView> GeneticAlgorithm::ResultBins() const {
  return result_bins_.Views(result_items_, best.bins.capacity);
}

bool GeneticAlgorithm::InitialPopulation() {
  ++generation;
  std::vector<Item*>& items = input.items;
  const std::size_t n = items.size();
  for (uint32_t p = 0; p < params.ga_pop_size; ++p) {
    population.emplace_back();
    population.back().bins.capacity = params.target;
    // Each shuffle starts from the order the previous one left.
    for (std::size_t j = 0; j < n; ++j)
      std::swap(items[j], items[draws.RandomIndex(n)]);
    operators_.FirstFit(population.back().bins, items);
    if (Evaluate(population.back())) return true;
  }
  return false;
}

bool GeneticAlgorithm::Evaluate(Individual& individual) {
  individual.fitness = Fitness(individual);
  if (individual.fitness > best.fitness) {
    best = individual;
    ReportProgress();
  }
  // Here rather than once per generation: one generation of a large input
  // takes seconds.
  progress_->Searched(generation, best.bins.size());
  if (!MeetsStopRule(individual)) return false;
  // Reaching the theoretical minimum wins even over a fitter earlier best.
  best = individual;
  return true;
}

bool GeneticAlgorithm::MeetsStopRule(const Individual& individual) const {
  const std::size_t bins = individual.bins.size();
  return individual.fitness >= 1.0 || bins == 1 ||
         (params.ga_theo && bins <= params.ga_theo_bins);
}

void GeneticAlgorithm::ReportProgress() const {
  if (!params.verbose) return;
  std::cout << " [Gen " << generation << ", bins: " << best.bins.size()
            << ", fitness: " << best.fitness << "] " << std::flush;
}

// ---- One generation --------------------------------------------------------

namespace {

// Pairs of parents drawn in all, at most, while the two winners look alike.
constexpr int kParentPairs = 11;
// Attempts, at most, to mutate a child that looks like a parent or like the
// other child.
constexpr int kCloneRemovals = 10;

}  // namespace

bool GeneticAlgorithm::Step() {
  ++generation;
  const std::size_t size = population.size();
  assert(size >= 3);
  for (std::size_t made = 0; made < size;) {
    if (draws.Chance(params.ga_cross_prob)) {
      if (CrossoverStep()) return true;
      made += 2;
    } else {
      if (CopyStep()) return true;
      made += 1;
    }
  }
  return false;
}

bool GeneticAlgorithm::CrossoverStep() {
  const Pairing pairing = PickParents();
  const auto [w1, l1] = pairing.first;
  const auto [w2, l2] = pairing.second;
  operators_.Crossover(population[w1], population[w2], population[l1],
                       population[l2]);
  if (draws.Chance(params.ga_mutation_prob)) {
    operators_.Mutate(population[l1].bins);
  }
  if (draws.Chance(params.ga_mutation_prob)) {
    operators_.Mutate(population[l2].bins);
  }
  if (Evaluate(population[l1])) return true;
  if (Evaluate(population[l2])) return true;
  return RemoveClones(pairing);
}

GeneticAlgorithm::Pairing GeneticAlgorithm::PickParents() {
  const std::size_t size = population.size();
  const std::size_t half = size / 2;
  Pairing pairing;
  for (int pairs = 1;; ++pairs) {
    pairing.first = (this->*tournament)(0, half - 1);
    pairing.second = (this->*tournament)(half, size - 1);
    if (pairs == kParentPairs) break;
    if (!SameShape(population[pairing.first.winner],
                   population[pairing.second.winner])) {
      break;
    }
  }
  return pairing;
}

bool GeneticAlgorithm::RemoveClones(const Pairing& pairing) {
  const auto [w1, l1] = pairing.first;
  const auto [w2, l2] = pairing.second;
  for (int attempt = 0; attempt < kCloneRemovals; ++attempt) {
    std::size_t clone;
    if (SameShape(population[l1], population[w1])) {
      clone = l1;
    } else if (SameShape(population[l2], population[w2])) {
      clone = l2;
    } else if (SameShape(population[l1], population[l2])) {
      clone = draws.Chance(0.5f) ? l1 : l2;  // One fair draw.
    } else {
      return false;
    }
    if (MutateAndEvaluate(clone)) return true;
  }
  return false;
}

bool GeneticAlgorithm::CopyStep() {
  const auto [winner, loser] = (this->*tournament)(0, population.size() - 1);
  population[loser] = population[winner];  // Reuses the loser's storage.
  // An unchanged copy keeps the fitness it was evaluated with.
  if (!draws.Chance(params.ga_mutation_prob)) return false;
  return MutateAndEvaluate(loser);
}

bool GeneticAlgorithm::MutateAndEvaluate(std::size_t position) {
  operators_.Mutate(population[position].bins);
  return Evaluate(population[position]);
}

// ---- Tournaments -----------------------------------------------------------

GeneticAlgorithm::Outcome GeneticAlgorithm::TournamentTwo(std::size_t lo,
                                                          std::size_t hi) {
  const std::size_t a = lo + draws.RandomIndex(hi - lo + 1);
  const std::size_t b = draws.OtherIndex(lo, hi, a);
  if (population[a].fitness > population[b].fitness) return {a, b};
  return {b, a};
}

GeneticAlgorithm::Outcome GeneticAlgorithm::TournamentMany(std::size_t lo,
                                                           std::size_t hi) {
  // Ranks (fitness, position) pairs: the highest pair wins, the lowest loses.
  auto ranks_below = [this](std::size_t x, std::size_t y) {
    const double fx = population[x].fitness;
    const double fy = population[y].fitness;
    return fx < fy || (fx == fy && x < y);
  };
  std::size_t contestant = lo + draws.RandomIndex(hi - lo + 1);
  std::size_t winner = contestant;
  std::size_t loser = contestant;
  for (uint32_t k = 1; k < tournamentSize; ++k) {
    // Only consecutive contestants must differ; a position may come back.
    contestant = draws.OtherIndex(lo, hi, contestant);
    if (ranks_below(winner, contestant)) winner = contestant;
    if (ranks_below(contestant, loser)) loser = contestant;
  }
  return {winner, loser};
}
