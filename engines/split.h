// SPDX-License-Identifier: GPL-3.0-or-later
// Split: cuts the items, in input order, into consecutive bins, opening a new
// bin whenever the next item does not fit into the current one.
#ifndef QUARRIMEL_ENGINES_SPLIT_H_
#define QUARRIMEL_ENGINES_SPLIT_H_

#include <ostream>
#include <vector>

#include "engines/optimizer.h"

class Split : public Optimizer {
 public:
  explicit Split(Input& input);
  // Writes the header to standard output under --verbose, then fills the
  // bins. An earlier bin never receives a later item, even one that fits.
  // REQUIRES: input.items is not empty (else the one bin stays empty).
  void Search() override;
  std::ostream& PrintHeader(std::ostream& out) override;

 private:
  std::vector<Bin> bins_;  // The result.
};

#endif  // QUARRIMEL_ENGINES_SPLIT_H_
