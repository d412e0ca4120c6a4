// SPDX-License-Identifier: GPL-3.0-or-later
// What the long phases of a run tell as they go: the measuring of the input
// (files and bytes so far) and the search (generation, bins of the best
// packing, the theoretical minimum). The input reader and the engines report
// here; whoever wants to show it connects an observer: the program's top a
// line on the terminal, a test a record of the calls. Reporting draws no
// random number and writes nothing: a run gives the same result whoever
// observes it.
#ifndef QUARRIMEL_BASE_PROGRESS_H_
#define QUARRIMEL_BASE_PROGRESS_H_

#include <cstddef>
#include <cstdint>

// Each call is made from the phase's own loop, often: an observer keeps them
// cheap. The default of each is to do nothing.
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;

  // Measuring the paths or reading the direct-input records begins.
  virtual void MeasuringBegins() {}
  // One more file, directory or direct-input record of `size` bytes.
  virtual void Measured(double size) { (void)size; }
  // Measuring is over, normally or by an exception.
  virtual void MeasuringEnds() {}

  // A search of `generations` generations begins; no packing can have fewer
  // than `minimum` bins.
  virtual void SearchBegins(int32_t generations, unsigned minimum) {
    (void)generations;
    (void)minimum;
  }
  // The search is in `generation`, and its best packing has `best_bins`.
  virtual void Searched(int32_t generation, std::size_t best_bins) {
    (void)generation;
    (void)best_bins;
  }
  // The search is over, normally or by an exception.
  virtual void SearchEnds() {}
};

// An observer that shows nothing, for runs nobody watches.
ProgressObserver& NoProgress();

// Tells `observer` that measuring begins, and that it ends when this goes
// out of scope, however the scope is left.
class MeasuringPhase {
 public:
  explicit MeasuringPhase(ProgressObserver& observer) : observer_(observer) {
    observer_.MeasuringBegins();
  }
  ~MeasuringPhase() { observer_.MeasuringEnds(); }
  MeasuringPhase(const MeasuringPhase&) = delete;
  MeasuringPhase& operator=(const MeasuringPhase&) = delete;

 private:
  ProgressObserver& observer_;
};

// The same for a search.
class SearchPhase {
 public:
  SearchPhase(ProgressObserver& observer, int32_t generations, unsigned minimum)
      : observer_(observer) {
    observer_.SearchBegins(generations, minimum);
  }
  ~SearchPhase() { observer_.SearchEnds(); }
  SearchPhase(const SearchPhase&) = delete;
  SearchPhase& operator=(const SearchPhase&) = delete;

 private:
  ProgressObserver& observer_;
};

#endif  // QUARRIMEL_BASE_PROGRESS_H_
