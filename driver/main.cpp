// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point: one run from the command line to the printed packing. Every
// error travels here as an exception and is reported in one format, with an
// exit status that names its family.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "cmdline/errors.h"
#include "driver/errors.h"
#include "driver/params.h"
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
    std::sort(input.items.begin(), input.items.end(), BySizeDescending);
    return engine;
  }
  if (params.split) return std::make_unique<Split>(input);
  return std::make_unique<GeneticAlgorithm>(input);
}

// A result that could not be written must not end as a success: the user
// would take a missing or truncated listing for the whole packing.
void CheckStandardOutput() {
  std::cout.flush();
  if (std::cout) return;
  std::string message = "Could not write to standard output";
  if (errno != 0) message += std::string(": ") + std::strerror(errno);
  throw std::runtime_error(message);
}

void ReportError(const char* message) {
  std::cerr << "\n> Error: " << message << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  // Every part of the program writes through the C++ streams only.
  std::ios::sync_with_stdio(false);
  Params params;
  params.argc = &argc;
  params.argv = argv;
  int status = kExitSuccess;
  try {
    if (ParseOptions(params)) {
      Input input(params);
      std::unique_ptr<Optimizer> engine = MakeEngine(input);
      engine->Search();
      engine->PrintResult();
    }
    CheckStandardOutput();
  } catch (const CmdLine::E_Exception& e) {
    std::cerr << e;
    status = kExitOptionError;
  } catch (const E_Exception& e) {
    std::cerr << e;
    status = kExitProgramError;
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
