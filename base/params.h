// SPDX-License-Identifier: GPL-3.0-or-later
// The parameters record: everything the user asked for on the command line,
// converted into the units the rest of the program works in.
#ifndef QUARRIMEL_BASE_PARAMS_H_
#define QUARRIMEL_BASE_PARAMS_H_

#include <cfloat>
#include <cstdint>
#include <list>

struct Params {
  int* argc = nullptr;    // Points at main's argument count.
  char** argv = nullptr;  // main's argument vector; not owned.
  // Arguments that were not options or option values, in command-line order
  // (pointers into argv). The input reader empties it as it goes.
  std::list<char*> input_args;

  double target = 0;    // Bin capacity, bytes (plain numbers in plain mode).
  double min_size = 0;  // Smallest accepted item, bytes; 0 = no minimum.
  double max_size = DBL_MAX;   // Largest accepted item, bytes; DBL_MAX = none.
  uint32_t bins = 2147483647;  // Bins to print at most; 2147483647 = all.
  uint32_t block_size = 1;     // Allocation block, bytes, at least 1.
  bool verbose = false;
  bool read_stdin = false;  // The lone "-" was given.
  bool hide_items = false;
  bool hide_summary = false;
  bool show_size = false;
  bool show_bytes = false;     // Never set in plain mode.
  bool direct_input = false;   // Records are "size identifier" pairs.
  bool plain_numbers = false;  // Direct input without a unit option.
  bool sort_by_size = false;
  bool sort_reverse = false;
  bool no_case = false;
  bool null_data = false;          // Standard input records end with NUL.
  char bins_separator = '\n';      // Written between bins.
  char enclose_char = '\0';        // Written around names when `enclose`.
  bool enclose = false;            // --enclose-with appeared.
  char delimiter = '\n';           // Written after each item name.
  uint32_t ga_pop_size = 0;        // 0 = automatic.
  int32_t ga_num_generations = 0;  // 0 = automatic.
  int64_t ga_seed = 1;             // 0 = seed from the clock.
  int32_t ga_sel_pressure = 0;     // Tournament size; below 3 means 2.
  float ga_cross_prob = 0.95f;
  float ga_mutation_prob = 0.1f;
  bool ga_theo = false;       // Stop at the theoretical minimum.
  uint32_t ga_theo_bins = 0;  // 0 = compute it.
  bool approximate = false;   // Run Best Fit.
  bool split = false;         // Run Split.
  char unit_infix = 'i';      // '\0' with --si: "KB" instead of "KiB".
  float unit_base = 1024;     // 1000 with --si.
  double di_unit = 1;         // Bytes per direct-input unit.
};

#endif  // QUARRIMEL_BASE_PARAMS_H_
