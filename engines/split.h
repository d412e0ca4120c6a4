// Split: cuts the items, in input order, into consecutive bins.
#ifndef QUARRIMEL_ENGINES_SPLIT_H_
#define QUARRIMEL_ENGINES_SPLIT_H_

#include <ostream>
#include <vector>

#include "engines/optimizer.h"

class Split : public Optimizer {
 public:
  explicit Split(Input& input);
  void Search() override;
  std::ostream& PrintHeader(std::ostream& out) override;

 private:
  std::vector<Bin> bins_;  // The result.
};

#endif  // QUARRIMEL_ENGINES_SPLIT_H_
