// SPDX-License-Identifier: GPL-3.0-or-later
#include "engines/genetic_algorithm.h"

#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/params.h"
#include "engines/ga_random.h"
#include "engines/ga_test_support.h"
#include "engines/packing_check.h"
#include "input/input.h"

namespace {

// ---- Helpers ---------------------------------------------------------------

// Sends std::cout into a string while it lives.
class CoutCapture {
 public:
  CoutCapture() : saved_(std::cout.rdbuf(captured_.rdbuf())) {}
  ~CoutCapture() { std::cout.rdbuf(saved_); }
  std::string text() const { return captured_.str(); }

 private:
  std::ostringstream captured_;
  std::streambuf* saved_;
};

// ---- Tournaments ------------------------------------------------------------

void SetFitness(GeneticAlgorithm& ga, const std::vector<double>& fitness) {
  ga.population.clear();
  for (double value : fitness) ga.population.push_back(Individual{{}, value});
}

TEST(GeneticAlgorithmTest, TournamentOfTwo) {
  GaRun run(Settings(100), Sizes(4, 30));
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SetFitness(run.ga, {0.9, 0.5});
    run.ga.draws.Seed(seed);
    auto outcome = run.ga.TournamentTwo(0, 1);
    EXPECT_EQ(outcome.winner, 0u);
    EXPECT_EQ(outcome.loser, 1u);

    // On a tie the second contestant wins; the first draw picks position 1
    // exactly when it is at least 2^30.
    SetFitness(run.ga, {0.7, 0.7});
    const std::size_t first = EngineDraws(seed).Draw() >= (1 << 30) ? 1 : 0;
    run.ga.draws.Seed(seed);
    outcome = run.ga.TournamentTwo(0, 1);
    EXPECT_EQ(outcome.winner, 1 - first);
    EXPECT_EQ(outcome.loser, first);
  }
}

TEST(GeneticAlgorithmTest, TournamentOfMany) {
  Params settings = Settings(100);
  settings.ga_sel_pressure = 200;  // Every position is nearly sure to come.
  GaRun run(settings, Sizes(4, 30));
  for (unsigned seed = 1; seed <= 20; ++seed) {
    run.ga.draws.Seed(seed);
    SetFitness(run.ga, {0.7, 0.7});
    auto outcome = run.ga.TournamentMany(0, 1);
    EXPECT_EQ(outcome.winner, 1u);  // Among equals the highest position,
    EXPECT_EQ(outcome.loser, 0u);   // and the lowest loses.

    SetFitness(run.ga, {0.5, 0.2, 0.8, 0.8, 0.1, 0.5});
    outcome = run.ga.TournamentMany(1, 5);
    EXPECT_EQ(outcome.winner, 3u);
    EXPECT_EQ(outcome.loser, 4u);
  }
}

// ---- Evaluation and stop rules ----------------------------------------------

TEST(GeneticAlgorithmTest, SearchStopsAtTheFirstFinishedPacking) {
  const struct {
    const char* name;
    Sizes sizes;
    double target;
    std::size_t bins;
    double fitness;
  } cases[] = {
      {"everything fits one bin", {1, 2, 3}, 10, 1, 0.36},
      {"every bin exactly full", {5, 5, 5, 5}, 10, 2, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GaRun run(Settings(c.target), c.sizes);
    run.ga.Search();
    EXPECT_EQ(run.ga.population.size(), 1u);
    EXPECT_EQ(ResultOf(run.ga).size(), c.bins);
    EXPECT_EQ(Names(ResultOf(run.ga)),
              Names(run.ga.best.bins, run.input.items));
    EXPECT_DOUBLE_EQ(run.ga.best.fitness, c.fitness);
    EXPECT_EQ(CheckPacking(ResultOf(run.ga), run.input.items), "");
  }
}

TEST(GeneticAlgorithmTest, TheoreticalMinimumStopsOnlyWhenAsked) {
  // 210 in bins of 100: three bins are possible, never completely full.
  const Sizes sizes = {60, 50, 40, 30, 20, 10};
  for (bool theo : {false, true}) {
    SCOPED_TRACE(theo);
    Params settings = Settings(100, 60);
    settings.ga_theo = theo;
    GaRun run(settings, sizes);
    run.ga.Search();
    ASSERT_EQ(run.params.ga_theo_bins, 3u);
    EXPECT_EQ(CheckPacking(ResultOf(run.ga), run.input.items), "");
    if (theo) {
      EXPECT_EQ(ResultOf(run.ga).size(), 3u);
      EXPECT_TRUE(run.ga.generation < 60 ||
                  run.ga.population.size() < run.params.ga_pop_size);
    } else {
      EXPECT_EQ(run.ga.generation, 60);
    }
  }
}

TEST(GeneticAlgorithmTest, ReachingTheMinimumBeatsAFitterBest) {
  Params settings = Settings(10);
  settings.ga_theo = true;
  GaRun run(settings, Sizes(4, 5));
  run.params.ga_theo_bins = 2;
  run.ga.best = Shape(
      0.9, {FilledBin(10, 9, 1), FilledBin(10, 9, 1), FilledBin(10, 9, 1)});
  Individual two = IndividualOf({FilledBin(10, 5, 1), FilledBin(10, 5, 1)}, 10);
  EXPECT_TRUE(run.ga.Evaluate(two));
  EXPECT_EQ(run.ga.best.bins.size(), 2u);
  EXPECT_EQ(run.ga.best.fitness, 0.25);

  // A theoretical minimum of 0 can never be reached.
  run.params.ga_theo_bins = 0;
  EXPECT_FALSE(run.ga.Evaluate(two));
}

TEST(GeneticAlgorithmTest, VerboseProgressLine) {
  // 15 in bins of 10: every packing is 9 and 6, so only the first
  // individual is ever reported and no stop rule fires.
  const Sizes sizes = {3, 3, 3, 3, 3};
  const struct {
    int32_t generations;
    const char* line;
  } cases[] = {
      {1, ">  [Gen 1, bins: 2, fitness: 0.585]  <\n"},
      {2, ">  [Gen 1, bins: 2, fitness: 0.585] . <\n"},
      {4, ">  [Gen 1, bins: 2, fitness: 0.585] ... <\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.generations);
    Params settings = Settings(10, c.generations);
    settings.verbose = true;
    CoutCapture capture;
    GaRun run(settings, sizes);
    run.ga.Search();
    const std::string output = capture.text();
    EXPECT_EQ(output.find("> Searching... \n\n> -----"), 0u) << output;
    EXPECT_NE(output.find("> Theoretical minimum number of bins: 2\n\n"),
              std::string::npos)
        << output;
    const std::size_t line = output.rfind("\n> ") + 1;
    EXPECT_EQ(output.substr(line), c.line);
  }
}

// ---- Whole runs -------------------------------------------------------------

TEST(GeneticAlgorithmTest, SameSeedSameRun) {
  std::mt19937 gen(3);
  Sizes sizes;
  for (int k = 0; k < 80; ++k) {
    sizes.push_back(std::uniform_int_distribution<int>(20, 100)(gen) / 4.0);
  }
  Params settings = Settings(150 / 4.0, 40);
  settings.verbose = true;
  std::string outputs[2], packings[2];
  for (int k = 0; k < 2; ++k) {
    CoutCapture capture;
    GaRun run(settings, sizes);
    run.ga.Search();
    outputs[k] = capture.text();
    packings[k] = Names(ResultOf(run.ga));
  }
  EXPECT_EQ(outputs[0], outputs[1]);
  EXPECT_EQ(packings[0], packings[1]);
}

// Every individual of the population, bin after bin.
std::string PopulationNames(const GaRun& run) {
  std::string text;
  for (const Individual& individual : run.ga.population) {
    text += Names(individual.bins, run.input.items) + "/ ";
  }
  return text;
}

// Each engine owns its generator: two engines in one process whose
// generations alternate make exactly the populations each makes alone.
TEST(GeneticAlgorithmTest, InterleavedEnginesDrawApart) {
  constexpr int kGenerations = 10;
  std::mt19937 gen(4);
  Sizes sizes;
  for (int k = 0; k < 30; ++k) {
    sizes.push_back(std::uniform_int_distribution<int>(20, 100)(gen));
  }
  Params settings[2] = {Settings(150, kGenerations),
                        Settings(150, kGenerations)};
  for (int k = 0; k < 2; ++k) {
    settings[k].ga_pop_size = 8;
    settings[k].ga_seed = 3 + k;
  }
  std::string alone[2];
  for (int k = 0; k < 2; ++k) {
    GaRun run(settings[k], sizes);
    ASSERT_FALSE(run.ga.InitialPopulation());
    while (run.ga.generation < kGenerations) ASSERT_FALSE(run.ga.Step());
    alone[k] = PopulationNames(run);
  }
  GaRun first(settings[0], sizes);
  GaRun second(settings[1], sizes);
  ASSERT_FALSE(first.ga.InitialPopulation());
  ASSERT_FALSE(second.ga.InitialPopulation());
  while (first.ga.generation < kGenerations) {
    ASSERT_FALSE(first.ga.Step());
    ASSERT_FALSE(second.ga.Step());
  }
  EXPECT_EQ(PopulationNames(first), alone[0]);
  EXPECT_EQ(PopulationNames(second), alone[1]);
  EXPECT_NE(alone[0], alone[1]);
}

TEST(GeneticAlgorithmTest, EveryIndividualStaysAPacking) {
  const struct {
    float cross;
    float mutation;
    uint32_t pop_size;
    int32_t pressure;
  } settings_table[] = {
      {0.95f, 0.1f, 0, 0},
      {0, 0.1f, 0, 0},
      {1, 0, 0, 0},
      {0.5f, 1, 0, 3},
      {1, 0.5f, 3, 0},  // Children may land on a parent's
                        // position.
      {1, 0.1f, 4, 3},
      {0, 0, 0, 0},
  };
  std::mt19937 gen(11);
  for (int round = 0; round < 28; ++round) {
    const auto& s = settings_table[round % 7];
    SCOPED_TRACE("round " + std::to_string(round));
    const bool fractional = round % 2 == 1;
    Sizes sizes(std::uniform_int_distribution<int>(4, 60)(gen));
    for (double& size : sizes) {
      size = std::uniform_int_distribution<int>(1, 100)(gen);
      if (fractional) size /= 7.0;
    }
    Params settings = Settings(fractional ? 100 / 7.0 : 100, 25);
    settings.ga_cross_prob = s.cross;
    settings.ga_mutation_prob = s.mutation;
    settings.ga_pop_size = s.pop_size;
    settings.ga_sel_pressure = s.pressure;
    settings.ga_seed = round + 1;
    GaRun run(settings, sizes);
    run.ga.Search();
    ASSERT_EQ(CheckPackingUpToRounding(ResultOf(run.ga), run.input.items), "");
    EXPECT_GT(run.ga.best.fitness, 0);
    EXPECT_LE(run.ga.best.fitness, 1);
    EXPECT_EQ(run.ga.best.fitness, Fitness(run.ga.best));
    const double bound =
        std::ceil(run.input.totalSize / settings.target - 1e-9);
    EXPECT_GE(static_cast<double>(ResultOf(run.ga).size()), bound);
    for (const Individual& individual : run.ga.population) {
      ASSERT_EQ(CheckPackingUpToRounding(
                    BinsOf(individual.bins, run.input.items), run.input.items),
                "");
    }
  }
}

TEST(GeneticAlgorithmTest, WithoutCrossoverOrMutationOnlyCopiesAreMade) {
  Params settings = Settings(100);
  settings.ga_cross_prob = 0;
  settings.ga_mutation_prob = 0;
  Sizes sizes;
  for (int k = 0; k < 30; ++k) sizes.push_back(20 + (k * 37) % 80);
  GaRun run(settings, sizes);
  ASSERT_FALSE(run.ga.InitialPopulation());
  const std::vector<Individual> initial = run.ga.population;

  run.ga.draws.Seed(77);
  ASSERT_FALSE(run.ga.Step());
  // Each of the P offspring is one tournament of two draws, nothing else.
  EngineDraws alone(77);
  alone.Skip(static_cast<int>(2 * initial.size()));
  EXPECT_EQ(run.ga.draws.Draw(), alone.Draw());

  EXPECT_EQ(run.ga.generation, 2);
  for (const Individual& individual : run.ga.population) {
    bool is_copy = false;
    for (const Individual& original : initial) {
      is_copy |= Names(individual.bins, run.input.items) ==
                     Names(original.bins, run.input.items) &&
                 individual.fitness == original.fitness;
    }
    EXPECT_TRUE(is_copy);
  }
}

}  // namespace
