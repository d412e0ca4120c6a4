// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the program's whole option parsing. The input, split at NUL
// bytes, is the argument list after the program name. Parsing must either
// succeed with a sound parameters record or throw one of the program's two
// error families; any other exception escapes and counts as a crash. The
// only warning written is the documented one for a repeated flag.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "base/errors.h"
#include "base/params.h"
#include "cmdline/errors.h"
#include "fuzz/fuzz_support.h"

namespace {

std::vector<std::string> SplitAtNul(const uint8_t* data, std::size_t size) {
  std::vector<std::string> words;
  if (size == 0) return words;
  const char* text = reinterpret_cast<const char*>(data);
  std::string word;
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] == '\0') {
      words.push_back(word);
      word.clear();
    } else {
      word += text[i];
    }
  }
  words.push_back(word);
  return words;
}

bool PointsIntoArguments(const char* text, const std::vector<char*>& argv) {
  for (const char* argument : argv) {
    if (argument == text) return true;
  }
  return false;
}

void CheckParams(const Params& p, const std::vector<char*>& argv) {
  // A byte target or maximum below 1 passes as above 0 and is then rounded
  // down to 0, which leaves nothing to pack: that is the documented outcome.
  FUZZ_CHECK(std::isfinite(p.target) && p.target >= 0, "target negative");
  FUZZ_CHECK(!p.plain_numbers || p.target > 0, "plain target not positive");
  FUZZ_CHECK(p.plain_numbers || p.target == std::floor(p.target),
             "byte target not whole");
  FUZZ_CHECK(p.min_size >= 0 && std::isfinite(p.min_size), "bad min_size");
  FUZZ_CHECK(p.max_size >= 0, "bad max_size");
  FUZZ_CHECK(p.bins >= 1 && p.block_size >= 1, "bins or block size below 1");
  FUZZ_CHECK(p.ga_cross_prob >= 0 && p.ga_cross_prob <= 1, "bad ga_cross_prob");
  FUZZ_CHECK(p.ga_mutation_prob >= 0 && p.ga_mutation_prob <= 1,
             "bad ga_mutation_prob");
  FUZZ_CHECK(p.ga_num_generations >= 0 && p.ga_sel_pressure >= 0,
             "negative GA count");
  FUZZ_CHECK(p.ga_seed >= 0, "negative seed");
  FUZZ_CHECK(!p.plain_numbers || p.direct_input, "plain without --di");
  FUZZ_CHECK(!(p.plain_numbers && p.show_bytes), "bytes shown in plain mode");
  FUZZ_CHECK(p.plain_numbers || p.di_unit >= 1, "bad direct-input unit");
  for (const char* argument : p.input_args) {
    FUZZ_CHECK(PointsIntoArguments(argument, argv),
               "input argument not from the command line");
  }
}

// The program's options warn about one thing only: a flag given again.
// Each warning names an argument as it was typed.
void CheckWarnings(const std::string& warnings,
                   const std::vector<std::string>& words) {
  const std::string open = "> Option '";
  const std::string close = "' was declared more than once.\n";
  std::size_t at = 0;
  while (at < warnings.size()) {
    FUZZ_CHECK(warnings.compare(at, open.size(), open) == 0,
               "undocumented warning: " + warnings.substr(at, 80));
    at += open.size();
    bool named = false;
    for (const std::string& word : words) {
      if (warnings.compare(at, word.size(), word) == 0 &&
          warnings.compare(at + word.size(), close.size(), close) == 0) {
        at += word.size() + close.size();
        named = true;
        break;
      }
    }
    FUZZ_CHECK(named, "warning names no argument: " + warnings.substr(at, 80));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::vector<std::string> words = SplitAtNul(data, size);
  std::string program = "quarrimel";
  std::vector<char*> argv;
  argv.push_back(&program[0]);
  for (std::string& word : words) argv.push_back(&word[0]);
  const std::vector<char*> given = argv;  // The parser may reorder argv.
  argv.push_back(nullptr);
  int argc = static_cast<int>(argv.size()) - 1;

  NullBuffer discard;
  std::ostringstream warnings;
  StreamRedirect quiet_out(std::cout, &discard);
  StreamRedirect caught_err(std::cerr, warnings.rdbuf());
  Params params;
  params.argc = &argc;
  params.argv = argv.data();
  try {
    if (ParseOptions(params)) CheckParams(params, given);
  } catch (const CmdLine::E_Exception& e) {
    FUZZ_CHECK(*e.what() != '\0', "option error without a message");
  } catch (const E_Exception& e) {
    FUZZ_CHECK(*e.what() != '\0', "program error without a message");
  }
  CheckWarnings(warnings.str(), words);
  return 0;
}
