// The default engine: a steady-state grouping genetic algorithm.
#ifndef QUARRIMEL_ENGINES_GENETIC_ALGORITHM_H_
#define QUARRIMEL_ENGINES_GENETIC_ALGORITHM_H_

#include <ostream>

#include "engines/optimizer.h"

class GeneticAlgorithm : public Optimizer {
 public:
  explicit GeneticAlgorithm(Input& input);
  void Search() override;
  std::ostream& PrintHeader(std::ostream& out) override;
};

#endif  // QUARRIMEL_ENGINES_GENETIC_ALGORITHM_H_
