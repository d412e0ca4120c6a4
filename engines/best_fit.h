// Best Fit Decreasing: each item goes into the open bin it leaves with the
// least room; a new bin is opened only when no open bin can take it.
#ifndef QUARRIMEL_ENGINES_BEST_FIT_H_
#define QUARRIMEL_ENGINES_BEST_FIT_H_

#include <ostream>
#include <vector>

#include "engines/optimizer.h"

class BestFit : public Optimizer {
 public:
  // REQUIRES: the caller sorts input.items largest first before Search().
  explicit BestFit(Input& input);
  void Search() override;
  std::ostream& PrintHeader(std::ostream& out) override;

 private:
  std::vector<Bin> bins_;  // The result.
};

#endif  // QUARRIMEL_ENGINES_BEST_FIT_H_
