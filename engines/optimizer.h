// SPDX-License-Identifier: GPL-3.0-or-later
// The interface of the search engines and what they share.
#ifndef QUARRIMEL_ENGINES_OPTIMIZER_H_
#define QUARRIMEL_ENGINES_OPTIMIZER_H_

#include <ostream>
#include <vector>

#include "base/progress.h"
#include "engines/bin_view.h"

class Input;
struct Params;

class Optimizer {
 public:
  // Settles the theoretical minimum number of bins (into
  // params.ga_theo_bins unless the user gave one) and, under --verbose,
  // writes the "> Searching... " line.
  explicit Optimizer(Input& input);
  virtual ~Optimizer() = default;
  Optimizer(const Optimizer&) = delete;
  Optimizer& operator=(const Optimizer&) = delete;

  // Fills the bins of the result.
  virtual void Search() = 0;
  // Writes the engine's verbose header; this base writes the common lines.
  virtual std::ostream& PrintHeader(std::ostream& out);
  // The bins of the result, in the order the engine made them; valid until
  // the engine is searched again or destroyed.
  virtual std::vector<BinView> ResultBins() const = 0;
  // Sorts the result's bins and writes them to standard output
  // (output/printer.cpp).
  void PrintResult();
  // Search() reports how it goes to `observer` from now on; until this is
  // called, to nobody.
  void Observe(ProgressObserver& observer) { progress_ = &observer; }

  Input& input;
  Params& params;
  double totalSize;

 protected:
  ProgressObserver* progress_ = &NoProgress();  // Never null.
};

// The smallest bin count the total size allows: total_size / target rounded
// up, except that a quotient less than a millionth above a whole number k
// gives k (so a total below a millionth of the target gives 0).
unsigned TheoreticalMinimum(double total_size, double target);

#endif  // QUARRIMEL_ENGINES_OPTIMIZER_H_
