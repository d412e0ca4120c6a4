// SPDX-License-Identifier: GPL-3.0-or-later
// The default engine: a steady-state grouping genetic algorithm. Its
// chromosomes are whole packings; offspring overwrite tournament losers in
// place, one generation at a time. A run depends only on the input, the
// options and the seed.
#ifndef QUARRIMEL_ENGINES_GENETIC_ALGORITHM_H_
#define QUARRIMEL_ENGINES_GENETIC_ALGORITHM_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "engines/bin_view.h"
#include "engines/ga_individual.h"
#include "engines/ga_operators.h"
#include "engines/ga_random.h"
#include "engines/optimizer.h"
#include "input/item.h"

class GeneticAlgorithm : public Optimizer {
 public:
  // Population positions of a tournament's winner and loser.
  struct Outcome {
    std::size_t winner;
    std::size_t loser;
  };

  // Settles the tournament size, the population size P and the generation
  // count G (automatic ones from the item count) and the seed (the clock's
  // when it is 0), writes P, G and the seed back into params, and seeds
  // `draws` with the seed's low 32 bits.
  explicit GeneticAlgorithm(Input& input);

  // Builds the initial population and evolves it until the generation count
  // or a stop rule ends the run; the result is then best's bins. Under
  // --verbose writes the header and a progress line to standard output.
  void Search() override;
  std::vector<BinView> ResultBins() const override;
  std::ostream& PrintHeader(std::ostream& out) override;

  // The steps of Search(), each returning true when a stop rule fired.

  // Counts generation 1 and fills the population with first-fit packings of
  // successively shuffled item orders (the Input's item list is shuffled in
  // place). Stops early, leaving the population short, on a stop rule.
  bool InitialPopulation();
  // One generation: offspring overwrite tournament losers until P offspring
  // have been made (a crossover makes two).
  // REQUIRES: a population of at least 3 individuals of 2 or more bins.
  bool Step();
  // Computes the fitness, keeps a copy in `best` if it beats best's, and
  // tests the stop rules (fitness 1, a single bin, or with --ga-theo at most
  // the theoretical minimum of bins); on a stop the individual becomes
  // `best` whatever its fitness.
  bool Evaluate(Individual& individual);

  // Tournaments among positions lo..hi. With two contestants a tie goes to
  // the second drawn; with more, the highest fitness wins and the lowest
  // loses, ties broken by the higher position winning and the lower losing.
  Outcome TournamentTwo(std::size_t lo, std::size_t hi);
  Outcome TournamentMany(std::size_t lo, std::size_t hi);

  // TournamentTwo when the tournament size is 2, else TournamentMany.
  Outcome (GeneticAlgorithm::*tournament)(std::size_t, std::size_t);
  // The generator of every draw of this engine: the shuffles, the
  // tournaments, the chances and the operators'.
  EngineDraws draws;
  std::vector<Individual> population;  // P once the population is built.
  Individual best;                     // Best met so far; the result.
  int32_t generation = 0;              // The initial population is 1.
  uint32_t tournamentSize;             // Contestants per tournament.

 private:
  void SettleSizes();
  void Seed();
  // The two tournaments of a crossover: the first half of the population
  // gives the first parent and child position, the second half the others.
  struct Pairing {
    Outcome first;
    Outcome second;
  };
  bool CrossoverStep();
  bool CopyStep();
  // Draws both tournaments again while the winners look alike, up to
  // kParentPairs pairs in all.
  Pairing PickParents();
  // Mutates children that look like a parent or like each other, up to
  // kCloneRemovals times.
  bool RemoveClones(const Pairing& pairing);
  bool MutateAndEvaluate(std::size_t position);
  bool MeetsStopRule(const Individual& individual) const;
  void ReportProgress() const;
  // Copies best's bins into the result, with the items themselves.
  void KeepResult();

  GaOperators operators_;  // With the storage reused between offspring.
  std::vector<Item*> result_items_;  // The result's items, bin after bin.
  FlatBins result_bins_;
};

#endif  // QUARRIMEL_ENGINES_GENETIC_ALGORITHM_H_
