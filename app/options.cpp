// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include <cfloat>
#include <cmath>
#include <string>

#include "app/help.h"
#include "base/errors.h"
#include "base/size.h"
#include "base/warning.h"
#include "cmdline/parser.h"
#include "cmdline/warning.h"

namespace {

// The name shown in the help text and in the missing-target hint, whatever
// the executable is called.
const char kProgram[] = "quarrimel";

const long kMaxInt32 = 2147483647;
const long kMaxInt64 = 9223372036854775807;

// Every option of the program, in the order the help text lists them.
// clang-format off
void DeclareOptions(CmdLine::Parser& p) {
  p.Bool.Add("-h",        "--help");
  p.Bool.Add("--version");
  p.Bool.Add("-");
  p.Bool.Add("--si");
  p.Bool.Add("--di",      "--direct-input");
  p.Bool.Add("--di-b",    "--di-bytes");
  p.Bool.Add("--di-k",    "--di-kb");
  p.Bool.Add("--di-m",    "--di-mb");
  p.Bool.Add("--di-g",    "--di-gb");
  p.Bool.Add("--di-t",    "--di-tb");
  p.Bool.Add("--di-si");
  p.String.Add("-t",      "--target",             "");
  p.Int.Add("--vols",     "--bins",               kMaxInt32, 1, kMaxInt32);
  p.String.Add("--min",   "--min-size",           "");
  p.String.Add("--max",   "--max-size",           "");
  p.Int.Add("-B",         "--block-size",         1, 1, kMaxInt32);
  p.Bool.Add("-v",        "--verbose");
  p.Bool.Add("--hi",      "--hide-items");
  p.Bool.Add("--hs",      "--hide-summary");
  p.Bool.Add("--ss",      "--show-size");
  p.Bool.Add("--sb",      "--show-bytes");
  p.Bool.Add("-s",        "--sort-by-size");
  p.Bool.Add("-r",        "--sort-reverse");
  p.Bool.Add("-n",        "--no-case");
  p.Int.Add("--ga-ng",    "--ga-num-generations", 0, 0, kMaxInt32);
  p.Int.Add("--ga-ps",    "--ga-pop-size",        0, 0, kMaxInt32);
  p.Float.Add("--ga-cp",  "--ga-cross-prob",      0.95L, 0, 1);
  p.Float.Add("--ga-mp",  "--ga-mutation-prob",   0.1L, 0, 1);
  p.Int.Add("--ga-sp",    "--ga-sel-pressure",    0, 0, kMaxInt32);
  p.Bool.Add("--ga-rs",   "--ga-random-seed");
  p.Int.Add("--ga-s",     "--ga-seed",            1, 0, kMaxInt64);
  p.Bool.Add("--ga-theo", "--ga-theoretical");
  // The same names as an integer whose value may be left out: a following
  // number goes here, a bare "--ga-theo" falls through to the flag above.
  p.Int.Add("--ga-theo",  "--ga-theoretical",     0, 1, kMaxInt32)
      ->flags &= ~CmdLine::VALUE_REQUIRED;
  p.Bool.Add("--ap",      "--approximate");
  p.Bool.Add("--sp",      "--split");
  p.Bool.Add("-z",        "--null-data");
  p.Bool.Add("-Z",        "--null");
  p.Bool.Add("-0",        "--null-bins");
  p.Char.Add("--dw",      "--delimit-with",       '\n');
  p.Char.Add("--ew",      "--enclose-with",       '\0');
  p.Char.Add("--bs",      "--bins-separator",     '\n');
}
// clang-format on

// Bytes per direct-input unit: the first unit option given, in the order
// b, k, m, g, t; 0 when none is.
double DirectInputUnit(const CmdLine::Parser& p) {
  const double base = p.Bool.Get("--di-si") ? 1000 : 1024;
  if (p.Bool.Get("--di-b")) return 1;
  if (p.Bool.Get("--di-k")) return base;
  if (p.Bool.Get("--di-m")) return base * base;
  if (p.Bool.Get("--di-g")) return base * base * base;
  if (p.Bool.Get("--di-t")) return base * base * base * base;
  return 0;
}

void ConvertUnits(const CmdLine::Parser& p, Params& params) {
  const bool si = p.Bool.Get("--si");
  params.unit_infix = si ? '\0' : 'i';
  params.unit_base = si ? 1000 : 1024;
  params.direct_input = p.Bool.Get("--di");
  if (!params.direct_input) return;  // The unit options need --di.
  const double unit = DirectInputUnit(p);
  if (unit == 0) {
    params.plain_numbers = true;
  } else {
    params.di_unit = unit;
  }
}

// A size option's text in bytes, or false when it is empty, unreadable, not
// finite (an overflow such as 1e308k) or not above 0.
bool ReadPositiveSize(const Params& params, const std::string& text,
                      double& value) {
  return ParseSize(params, text, value) && std::isfinite(value) && value > 0;
}

void ConvertSizes(const CmdLine::Parser& p, Params& params) {
  if (!ReadPositiveSize(params, p.String.Get("-t"), params.target)) {
    throw E_NoTarget(kProgram);
  }
  if (!ReadPositiveSize(params, p.String.Get("--min"), params.min_size)) {
    params.min_size = 0;
  }
  if (!ReadPositiveSize(params, p.String.Get("--max"), params.max_size)) {
    params.max_size = DBL_MAX;
  }
  // Bytes come whole; plain numbers keep their fractions.
  if (!params.plain_numbers) {
    params.target = std::floor(params.target);
    params.min_size = std::ceil(params.min_size);
    params.max_size = std::floor(params.max_size);
  }
}

void ConvertOutput(const CmdLine::Parser& p, Params& params) {
  // The option ranges keep both values within 32 bits.
  params.bins = static_cast<uint32_t>(p.Int.Get("--vols"));
  params.block_size = static_cast<uint32_t>(p.Int.Get("-B"));
  params.verbose = p.Bool.Get("-v");
  params.hide_items = p.Bool.Get("--hi");
  params.hide_summary = p.Bool.Get("--hs");
  params.show_size = p.Bool.Get("--ss");
  // Plain numbers have no unit, so a byte count would say nothing new.
  params.show_bytes = p.Bool.Get("--sb") && !params.plain_numbers;
  params.sort_by_size = p.Bool.Get("-s");
  params.sort_reverse = p.Bool.Get("-r");
  params.no_case = p.Bool.Get("-n");
}

void ConvertSearch(const CmdLine::Parser& p, Params& params) {
  params.ga_num_generations = static_cast<int32_t>(p.Int.Get("--ga-ng"));
  params.ga_pop_size = static_cast<uint32_t>(p.Int.Get("--ga-ps"));
  params.ga_cross_prob = static_cast<float>(p.Float.Get("--ga-cp"));
  params.ga_mutation_prob = static_cast<float>(p.Float.Get("--ga-mp"));
  params.ga_sel_pressure = static_cast<int32_t>(p.Int.Get("--ga-sp"));
  params.ga_seed = p.Bool.Get("--ga-rs") ? 0 : p.Int.Get("--ga-s");
  params.ga_theo_bins = static_cast<uint32_t>(p.Int.Get("--ga-theo"));
  params.ga_theo = p.Bool.Get("--ga-theo") || params.ga_theo_bins != 0;
  params.approximate = p.Bool.Get("--ap");
  params.split = p.Bool.Get("--sp");
}

void ConvertSeparators(const CmdLine::Parser& p, Params& params) {
  params.null_data = p.Bool.Get("-z");
  params.delimiter = p.Bool.Get("-Z") ? '\0' : p.Char.Get("--dw");
  // Any value given, even NUL, asks for enclosing.
  params.enclose = p.Char.Get("--ew", params.enclose_char);
  params.bins_separator = p.Bool.Get("-0") ? '\0' : p.Char.Get("--bs");
}

}  // namespace

bool ParseOptions(Params& params) {
  CmdLine::SetWarningSink(Warn);
  CmdLine::Parser parser(*params.argc, params.argv);
  DeclareOptions(parser);
  parser.Process(params.input_args);
  // Help wins over everything; no other option is looked at then.
  if (parser.Bool.Get("-h")) {
    PrintHelp(kProgram);
    return false;
  }
  if (parser.Bool.Get("--version")) {
    PrintVersion();
    return false;
  }
  params.read_stdin = parser.Bool.Get("-");
  ConvertUnits(parser, params);
  ConvertSizes(parser, params);
  ConvertOutput(parser, params);
  ConvertSearch(parser, params);
  ConvertSeparators(parser, params);
  return true;
}
