// SPDX-License-Identifier: GPL-3.0-or-later
// Split: cuts the items, in input order, into consecutive bins, opening a new
// bin whenever the next item does not fit into the current one.
#ifndef QUARRIMEL_ENGINES_SPLIT_H_
#define QUARRIMEL_ENGINES_SPLIT_H_

#include <ostream>
#include <vector>

#include "engines/bin_view.h"
#include "engines/optimizer.h"

class Split : public Optimizer {
 public:
  explicit Split(Input& input);
  // Writes the header to standard output under --verbose, then fills the
  // bins. An earlier bin never receives a later item, even one that fits.
  // REQUIRES: input.items is not empty (else the one bin stays empty).
  void Search() override;
  std::ostream& PrintHeader(std::ostream& out) override;
  // The bins in input order; their items are runs of input.items.
  std::vector<BinView> ResultBins() const override;

 private:
  FlatBins bins_;  // The result, over input.items.
};

#endif  // QUARRIMEL_ENGINES_SPLIT_H_
