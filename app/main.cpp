// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point: one run from the command line to the printed packing. Every
// error travels here as an exception and is reported in one format, with an
// exit status that names its family.
#include <algorithm>
#include <exception>
#include <iostream>
#include <memory>
#include <new>

#include "app/options.h"
#include "app/progress_line.h"
#include "app/standard_output.h"
#include "base/errors.h"
#include "base/params.h"
#include "cmdline/errors.h"
#include "engines/best_fit.h"
#include "engines/genetic_algorithm.h"
#include "engines/optimizer.h"
#include "engines/split.h"
#include "input/input.h"
#include "input/item.h"

namespace {

enum ExitStatus {
  kExitSuccess = 0,            // Also after the help or version text.
  kExitOptionError = 1,        // CmdLine::E_Exception and derived.
  kExitProgramError = 2,       // E_Exception: no target, nothing to pack.
  kExitStandardException = 3,  // Any other std::exception.
  kExitUnknownError = 4,       // Anything else thrown.
};

// The engine the options ask for; Best Fit wins over Split.
std::unique_ptr<Optimizer> MakeEngine(Input& input) {
  const Params& params = *input.params;
  if (params.approximate) {
    std::unique_ptr<Optimizer> engine = std::make_unique<BestFit>(input);
    // Best Fit places the items largest first.
    input.SortBySizeDescending();
    return engine;
  }
  if (params.split) return std::make_unique<Split>(input);
  return std::make_unique<GeneticAlgorithm>(input);
}

void ReportError(const char* message) {
  std::cerr << "\n> Error: " << message << std::endl;
}

// What the run is doing, named in the message when memory runs out. Plain
// texts: reporting them needs no memory.
const char* const kReadingOptions = "to read the options";
const char* const kReadingInput = "for the input";
const char* const kSearching = "to search for a packing";
const char* const kPrinting = "to write the result";

}  // namespace

int main(int argc, char** argv) {
  // Nothing before the guarded region may allocate: a failure there could
  // only abort. The output buffer is part of this frame.
  ScopedStandardOutput output(std::cout);
  Params params;
  params.argc = &argc;
  params.argv = argv;
  int status = kExitSuccess;
  const char* activity = kReadingOptions;
  try {
    if (ParseOptions(params)) {
      activity = kReadingInput;
      TerminalProgress progress(params);
      Input input(params, progress);
      activity = kSearching;
      std::unique_ptr<Optimizer> engine = MakeEngine(input);
      engine->Observe(progress);
      engine->Search();
      activity = kPrinting;
      engine->PrintResult();
    }
    // A result that could not be written must not end as a success: the
    // user would take a missing or truncated listing for the whole packing.
    output.Check();
  } catch (const CmdLine::E_Exception& e) {
    std::cerr << e;
    status = kExitOptionError;
  } catch (const E_Exception& e) {
    std::cerr << e;
    status = kExitProgramError;
  } catch (const std::bad_alloc&) {
    std::cerr << "\n> Error: Not enough memory " << activity << std::endl;
    status = kExitStandardException;
  } catch (const std::exception& e) {
    ReportError(e.what());
    status = kExitStandardException;
  } catch (...) {
    ReportError("An unknown error occurred.");
    status = kExitUnknownError;
  }
  params.input_args.clear();
  return status;
}
