// SPDX-License-Identifier: GPL-3.0-or-later
// The settings an engine works with, and the header that shows them.
#include <cstdint>
#include <ctime>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/params.h"
#include "engines/ga_random.h"
#include "engines/ga_test_support.h"
#include "engines/genetic_algorithm.h"

namespace {

TEST(GeneticAlgorithmTest, SettlesPopulationGenerationsAndTournament) {
  const struct {
    const char* name;
    std::size_t items;
    uint32_t pop_size;
    int32_t generations;
    int32_t pressure;
    uint32_t want_pop_size;
    int32_t want_generations;
    uint32_t want_tournament;
  } cases[] = {
      {"10 items", 10, 0, 0, 0, 47, 119, 2},
      {"100 items", 100, 0, 0, 0, 92, 230, 2},
      {"1000 items", 1000, 0, 0, 0, 138, 345, 2},
      {"1 item", 1, 0, 0, 0, 13, 34, 2},
      // In double precision these would be 257 and 644.
      {"400311 items", 400311, 0, 0, 0, 258, 645, 2},
      {"population 2 is not above the tournament", 10, 2, 0, 0, 47, 119, 2},
      {"population 3 is kept", 10, 3, 0, 0, 3, 119, 2},
      {"given generations are kept", 10, 0, 7, 0, 47, 7, 2},
      {"pressure 1 means 2", 10, 0, 0, 1, 47, 119, 2},
      {"pressure 2", 10, 0, 0, 2, 47, 119, 2},
      {"pressure 3", 10, 0, 0, 3, 47, 119, 3},
      {"population equal to the pressure", 10, 5, 0, 5, 47, 119, 5},
      {"pressure above the automatic size", 10, 0, 0, 60, 61, 119, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Params settings = Settings(2000, c.generations);
    settings.ga_pop_size = c.pop_size;
    settings.ga_sel_pressure = c.pressure;
    GaRun run(settings, Sizes(c.items, 1));
    EXPECT_EQ(run.params.ga_pop_size, c.want_pop_size);
    EXPECT_EQ(run.params.ga_num_generations, c.want_generations);
    EXPECT_EQ(run.ga.tournamentSize, c.want_tournament);
    // The settings in force, as the verbose header shows them.
    std::ostringstream header;
    run.ga.PrintHeader(header);
    EXPECT_NE(header.str().find(
                  "\n> Population size: " + std::to_string(c.want_pop_size) +
                  "\n> Crossover probability: 0.95\n> Mutation probability: "
                  "0.1\n> Tournament size: " +
                  std::to_string(c.want_tournament) + "\n"),
              std::string::npos)
        << header.str();
  }
}

TEST(GeneticAlgorithmTest, HeaderShowsTheSettingsInForce) {
  Params settings = Settings(100);
  settings.ga_seed = 4294967297;  // 2^32 + 1: seeds with 1, shows it whole.
  settings.ga_sel_pressure = 1;
  GaRun run(settings, Sizes(10, 30));
  EXPECT_EQ(run.ga.draws.Draw(), EngineDraws(1).Draw());

  std::ostringstream base;
  run.ga.Optimizer::PrintHeader(base);
  std::ostringstream out;
  run.ga.PrintHeader(out) << "(more)";
  EXPECT_EQ(out.str(),
            "\n> -----------------------------------"
            "\n> Genetic Algorithm (steady-state)"
            "\n> -----------------------------------"
            "\n> Max number of generations: 119"
            "\n> Population size: 47"
            "\n> Crossover probability: 0.95"
            "\n> Mutation probability: 0.1"
            "\n> Tournament size: 2"
            "\n> Seed: 4294967297\n" +
                base.str() + "\n(more)");
}

TEST(GeneticAlgorithmTest, SeedZeroTakesTheClock) {
  Params settings = Settings(100);
  settings.ga_seed = 0;
  const int64_t before = std::time(nullptr);
  GaRun run(settings, Sizes(3, 30));
  EXPECT_GE(run.params.ga_seed, before);
  EXPECT_LE(run.params.ga_seed, static_cast<int64_t>(std::time(nullptr)));
}

}  // namespace
