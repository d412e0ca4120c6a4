// SPDX-License-Identifier: GPL-3.0-or-later
// The default engine run through the program, as a user meets it.
#include <string>

#include <gtest/gtest.h>

#include "testing/cli_runner.h"

namespace {

// ---- End to end -------------------------------------------------------------

// Runs whose output holds for any generator: they stop at the first
// individual, or every packing of their items looks the same.
TEST(GeneticAlgorithmCliTest, DeterministicRuns) {
  const std::string header_rule = "> -----------------------------------\n";
  const struct {
    const char* name;
    const char* args;
    const char* input;
    std::string out;
  } cases[] = {
      {"one bin; a small population size and pressure are replaced, a "
       "large seed is shown whole",
       "- --di -t 10 -v --ga-s 4294967297 --ga-ps 2 --ga-sp 1",
       "1 a\n2 b\n3 c\n",
       "> Reading from input... \n> Searching... \n\n" + header_rule +
           "> Genetic Algorithm (steady-state)\n" + header_rule +
           "> Max number of generations: 69\n"
           "> Population size: 27\n"
           "> Crossover probability: 0.95\n"
           "> Mutation probability: 0.1\n"
           "> Tournament size: 2\n"
           "> Seed: 4294967297\n"
           "> Target: 10\n"
           "> Input size: 3\n"
           "> Theoretical minimum number of bins: 1\n\n"
           ">  [Gen 1, bins: 1, fitness: 0.36]  <\n"
           "\na\nb\nc\n\n[1] 6/10 of 6, Diff: 4, Items: 3/3\n"},
      {"one generation: no progress dots",
       "- --di -t 10 -v --ga-ng 1 --ga-sp 3 --hi", "3 a\n3 b\n3 c\n3 d\n3 e\n",
       "> Reading from input... \n> Searching... \n\n" + header_rule +
           "> Genetic Algorithm (steady-state)\n" + header_rule +
           "> Max number of generations: 1\n"
           "> Population size: 35\n"
           "> Crossover probability: 0.95\n"
           "> Mutation probability: 0.1\n"
           "> Tournament size: 3\n"
           "> Seed: 1\n"
           "> Target: 10\n"
           "> Input size: 5\n"
           "> Theoretical minimum number of bins: 2\n\n"
           ">  [Gen 1, bins: 2, fitness: 0.585]  <\n"
           "\n[1] 9/10 of 15, Diff: 1, Items: 3/5\n"
           "[2] 6/10 of 15, Diff: 4, Items: 2/5\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CliResult result = RunQuarrimel(c.args, c.input);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
  }
}

TEST(GeneticAlgorithmCliTest, SameSeedSameOutput) {
  std::string input;
  for (int k = 0; k < 300; ++k) {
    input += std::to_string(20 + (k * 7919) % 81) + " item" +
             std::to_string(k) + "\n";
  }
  for (const char* args : {"- --di -t 150 -v --ga-s 7 --ga-ng 30",
                           "- --di -t 150 --ga-s 123456789012 --ga-cp 0.5"}) {
    SCOPED_TRACE(args);
    const CliResult first = RunQuarrimel(args, input);
    const CliResult second = RunQuarrimel(args, input);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_FALSE(first.out.empty());
    EXPECT_EQ(first.out, second.out);
  }
}

}  // namespace
