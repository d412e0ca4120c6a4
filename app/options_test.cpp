// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/options.h"

#include <cfloat>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/version.h"
#include "base/errors.h"
#include "base/params.h"
#include "cmdline/errors.h"

namespace {

using Args = std::vector<std::string>;

// A command line as main() receives it, kept alive for the Params that point
// into it. Standard output is captured while the options are parsed, so a
// help or version text does not end up in the test log.
class CommandLine {
 public:
  explicit CommandLine(const Args& args) : words_(args) {
    words_.insert(words_.begin(), "quarrimel");
    for (std::string& word : words_) argv_.push_back(&word[0]);
    argv_.push_back(nullptr);
    argc_ = static_cast<int>(words_.size());
    params.argc = &argc_;
    params.argv = argv_.data();
  }

  // ParseOptions on this command line; exceptions pass through.
  bool Parse() {
    std::streambuf* saved = std::cout.rdbuf(printed_.rdbuf());
    try {
      const bool go_on = ParseOptions(params);
      std::cout.rdbuf(saved);
      return go_on;
    } catch (...) {
      std::cout.rdbuf(saved);
      throw;
    }
  }
  // What ParseOptions wrote to standard output.
  std::string printed() const { return printed_.str(); }

  Params params;

 private:
  std::vector<std::string> words_;
  std::vector<char*> argv_;
  int argc_ = 0;
  std::ostringstream printed_;
};

// Params after a successful parse of `args` with a valid target added.
Params ParseWithTarget(Args args) {
  args.insert(args.end(), {"-t", "100"});
  CommandLine line(args);
  EXPECT_TRUE(line.Parse());
  return line.params;
}

TEST(ParamsTest, SizesBecomeWholeBytesWithinTheirLimits) {
  static const struct {
    const char* name;
    Args args;
    double target, min_size, max_size;
  } kCases[] = {
      {"binary units", {"-t", "700m"}, 734003200, 0, DBL_MAX},
      {"decimal units", {"-t", "700m", "--si"}, 700000000, 0, DBL_MAX},
      {"fraction of a unit", {"-t", "1.5k"}, 1536, 0, DBL_MAX},
      {"target rounded down", {"-t", "100.9"}, 100, 0, DBL_MAX},
      {"below one byte passes", {"-t", "0.5"}, 0, 0, DBL_MAX},
      {"aliases",
       {"--target", "2k", "--min-size", "1k", "--max-size", "1.5k"},
       2048,
       1024,
       1536},
      {"min rounded up", {"-t", "9", "--min", "0.3"}, 9, 1, DBL_MAX},
      {"max rounded down", {"-t", "9", "--max", "5.7"}, 9, 0, 5},
      {"max below one byte", {"-t", "9", "--max", "0.5"}, 9, 0, 0},
      {"zero min is none", {"-t", "9", "--min", "0"}, 9, 0, DBL_MAX},
      {"negative min is none", {"-t", "9", "--min", "-1"}, 9, 0, DBL_MAX},
      {"zero max is none", {"-t", "9", "--max", "0"}, 9, 0, DBL_MAX},
      {"unreadable limits",
       {"-t", "9", "--min", "abc", "--max", "k"},
       9,
       0,
       DBL_MAX},
      {"not-a-number limits",
       {"-t", "9", "--min", "nan", "--max", "nan"},
       9,
       0,
       DBL_MAX},
      {"infinite limits",
       {"-t", "9", "--min", "inf", "--max", "inf"},
       9,
       0,
       DBL_MAX},
      // 1e308 is finite, but a unit factor makes it overflow.
      {"overflowing limits",
       {"-t", "9", "--min", "1e308k", "--max", "1e308t"},
       9,
       0,
       DBL_MAX},
      {"limits in decimal units",
       {"-t", "9", "--si", "--min", "2k"},
       9,
       2000,
       DBL_MAX},
      {"last target wins", {"-t", "5", "-t", "7"}, 7, 0, DBL_MAX},
      {"plain numbers keep fractions",
       {"--di", "-t", "2.5", "--min", "0.3", "--max", "7.9"},
       2.5,
       0.3,
       7.9},
      {"plain numbers still read unit letters",
       {"--di", "-t", "1.5k"},
       1536,
       0,
       DBL_MAX},
      {"units for direct input round",
       {"--di", "--di-k", "-t", "2.5", "--min", "0.3"},
       2,
       1,
       DBL_MAX},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    CommandLine line(c.args);
    ASSERT_TRUE(line.Parse());
    EXPECT_EQ(line.params.target, c.target);
    EXPECT_EQ(line.params.min_size, c.min_size);
    EXPECT_EQ(line.params.max_size, c.max_size);
  }
}

TEST(ParamsTest, UnusableTargetIsAMissingTarget) {
  static const struct {
    const char* name;
    Args args;
  } kCases[] = {
      {"absent", {}},
      {"absent with other options", {"-v", "a", "b"}},
      {"empty", {"-t", ""}},
      {"zero", {"-t", "0"}},
      {"negative", {"-t", "-5"}},
      {"negative below one", {"-t", "-0.5"}},
      {"no number", {"-t", "abc"}},
      {"unit alone", {"-t", "k"}},
      {"not a number", {"-t", "nan"}},
      {"infinite", {"-t", "inf"}},
      {"overflows", {"-t", "1e308k"}},
      {"beyond double", {"-t", "1e400"}},
      // Whatever follows -t is its value, even an option name.
      {"option taken as value", {"-t", "--si"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    CommandLine line(c.args);
    try {
      line.Parse();
      ADD_FAILURE() << "no error";
    } catch (const E_NoTarget& e) {
      EXPECT_STREQ(e.what(),
                   "Missing '--target' (Try 'quarrimel -h' for more "
                   "information)");
      EXPECT_STREQ(e.detail(), "");
    }
  }
}

TEST(ParamsTest, DirectInputUnitIsTheFirstUnitGiven) {
  static const struct {
    const char* name;
    Args args;
    bool direct_input, plain_numbers;
    double di_unit;
  } kCases[] = {
      {"file mode", {}, false, false, 1},
      {"unit options need --di", {"--di-k", "--di-si"}, false, false, 1},
      {"no unit: plain numbers", {"--di"}, true, true, 1},
      {"base only is still plain", {"--di", "--di-si"}, true, true, 1},
      {"bytes", {"--di", "--di-bytes"}, true, false, 1},
      {"kibibytes", {"--direct-input", "--di-k"}, true, false, 1024},
      {"kilobytes", {"--di", "--di-kb", "--di-si"}, true, false, 1000},
      {"mebibytes", {"--di", "--di-mb"}, true, false, 1048576},
      {"megabytes", {"--di-si", "--di", "--di-m"}, true, false, 1000000},
      {"gibibytes", {"--di", "--di-gb"}, true, false, 1073741824},
      {"gigabytes", {"--di", "--di-g", "--di-si"}, true, false, 1e9},
      {"tebibytes", {"--di", "--di-tb"}, true, false, 1099511627776},
      {"terabytes", {"--di", "--di-t", "--di-si"}, true, false, 1e12},
      {"k before m", {"--di", "--di-m", "--di-k"}, true, false, 1024},
      {"b before t", {"--di", "--di-t", "--di-b"}, true, false, 1},
      // --si is for the target and printed sizes, not for the input.
      {"--si is not --di-si", {"--di", "--di-k", "--si"}, true, false, 1024},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Params params = ParseWithTarget(c.args);
    EXPECT_EQ(params.direct_input, c.direct_input);
    EXPECT_EQ(params.plain_numbers, c.plain_numbers);
    EXPECT_EQ(params.di_unit, c.di_unit);
  }
}

TEST(ParamsTest, SiSwitchesUnitBaseAndInfix) {
  Params params = ParseWithTarget({});
  EXPECT_EQ(params.unit_base, 1024);
  EXPECT_EQ(params.unit_infix, 'i');
  params = ParseWithTarget({"--si"});
  EXPECT_EQ(params.unit_base, 1000);
  EXPECT_EQ(params.unit_infix, '\0');
}

TEST(ParamsTest, ShowBytesIsIgnoredForPlainNumbers) {
  EXPECT_TRUE(ParseWithTarget({"--sb"}).show_bytes);
  EXPECT_TRUE(ParseWithTarget({"--show-bytes", "--di", "--di-k"}).show_bytes);
  EXPECT_FALSE(ParseWithTarget({"--sb", "--di"}).show_bytes);
}

TEST(ParamsTest, SeparatorOptions) {
  static const struct {
    const char* name;
    Args args;
    char delimiter, bins_separator, enclose_char;
    bool enclose, null_data;
  } kCases[] = {
      {"defaults", {}, '\n', '\n', '\0', false, false},
      {"own characters",
       {"--dw", ",", "--bs", "#", "--ew", "'"},
       ',',
       '#',
       '\'',
       true,
       false},
      {"aliases and escapes",
       {"--delimit-with", "\\t", "--bins-separator", "\\0", "--enclose-with",
        "\\\\"},
       '\t',
       '\0',
       '\\',
       true,
       false},
      {"-Z wins over --dw",
       {"-Z", "--dw", "x"},
       '\0',
       '\n',
       '\0',
       false,
       false},
      {"--null wins over a later --dw",
       {"--dw", "x", "--null"},
       '\0',
       '\n',
       '\0',
       false,
       false},
      {"-0 wins over --bs",
       {"--bs", "y", "-0"},
       '\n',
       '\0',
       '\0',
       false,
       false},
      {"--null-bins",
       {"--null-bins", "--bs", "y"},
       '\n',
       '\0',
       '\0',
       false,
       false},
      // Any value given encloses, even the default NUL.
      {"--ew with NUL", {"--ew", ""}, '\n', '\n', '\0', true, false},
      {"--ew with an escaped NUL",
       {"--ew", "\\0"},
       '\n',
       '\n',
       '\0',
       true,
       false},
      {"null data", {"-z"}, '\n', '\n', '\0', false, true},
      {"null data alias", {"--null-data"}, '\n', '\n', '\0', false, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Params params = ParseWithTarget(c.args);
    EXPECT_EQ(params.delimiter, c.delimiter);
    EXPECT_EQ(params.bins_separator, c.bins_separator);
    EXPECT_EQ(params.enclose_char, c.enclose_char);
    EXPECT_EQ(params.enclose, c.enclose);
    EXPECT_EQ(params.null_data, c.null_data);
  }
}

TEST(ParamsTest, SearchOptions) {
  static const struct {
    const char* name;
    Args args;
    int64_t seed;
    bool theo;
    uint32_t theo_bins;
    bool approximate, split;
  } kCases[] = {
      {"defaults", {}, 1, false, 0, false, false},
      {"seed", {"--ga-seed", "5"}, 5, false, 0, false, false},
      {"largest seed",
       {"--ga-s", "9223372036854775807"},
       INT64_MAX,
       false,
       0,
       false,
       false},
      {"random seed wins",
       {"--ga-rs", "--ga-seed", "5"},
       0,
       false,
       0,
       false,
       false},
      {"random seed alias",
       {"--ga-s", "5", "--ga-random-seed"},
       0,
       false,
       0,
       false,
       false},
      {"theoretical alone", {"--ga-theo"}, 1, true, 0, false, false},
      {"theoretical with bins", {"--ga-theo", "3"}, 1, true, 3, false, false},
      {"theoretical alias",
       {"--ga-theoretical", "7"},
       1,
       true,
       7,
       false,
       false},
      {"theoretical before a name",
       {"--ga-theo", "a.txt"},
       1,
       true,
       0,
       false,
       false},
      {"both engines", {"--ap", "--sp"}, 1, false, 0, true, true},
      {"engine aliases", {"--approximate", "--split"}, 1, false, 0, true, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const Params params = ParseWithTarget(c.args);
    EXPECT_EQ(params.ga_seed, c.seed);
    EXPECT_EQ(params.ga_theo, c.theo);
    EXPECT_EQ(params.ga_theo_bins, c.theo_bins);
    EXPECT_EQ(params.approximate, c.approximate);
    EXPECT_EQ(params.split, c.split);
  }
}

TEST(ParamsTest, NumericSearchSettings) {
  Params params = ParseWithTarget({});
  EXPECT_EQ(params.ga_num_generations, 0);
  EXPECT_EQ(params.ga_pop_size, 0u);
  EXPECT_EQ(params.ga_sel_pressure, 0);
  EXPECT_EQ(params.ga_cross_prob, 0.95f);
  EXPECT_EQ(params.ga_mutation_prob, 0.1f);
  EXPECT_EQ(params.bins, 2147483647u);
  EXPECT_EQ(params.block_size, 1u);
  params = ParseWithTarget({"--ga-ng", "7", "--ga-pop-size", "2147483647",
                            "--ga-sp", "3", "--ga-cp", "0.5", "--ga-mp", "1",
                            "--bins", "4", "--block-size", "4096"});
  EXPECT_EQ(params.ga_num_generations, 7);
  EXPECT_EQ(params.ga_pop_size, 2147483647u);
  EXPECT_EQ(params.ga_sel_pressure, 3);
  EXPECT_EQ(params.ga_cross_prob, 0.5f);
  EXPECT_EQ(params.ga_mutation_prob, 1.0f);
  EXPECT_EQ(params.bins, 4u);
  EXPECT_EQ(params.block_size, 4096u);
  EXPECT_EQ(ParseWithTarget({"--vols", "2", "-B", "512"}).bins, 2u);
}

TEST(ParamsTest, FlagsAndRemainingArguments) {
  CommandLine line({"a", "-v", "--hi", "--hide-summary", "--ss", "-s", "-r",
                    "-n", "-", "-x", "-t", "1", "b", "--", "-v", "c"});
  ASSERT_TRUE(line.Parse());
  const Params& p = line.params;
  EXPECT_TRUE(p.verbose && p.hide_items && p.hide_summary && p.show_size);
  EXPECT_TRUE(p.sort_by_size && p.sort_reverse && p.no_case && p.read_stdin);
  std::vector<std::string> rest(p.input_args.begin(), p.input_args.end());
  EXPECT_EQ(rest, (std::vector<std::string>{"a", "-x", "b", "-v", "c"}));

  const Params none = ParseWithTarget({});
  EXPECT_FALSE(none.verbose || none.hide_items || none.hide_summary ||
               none.show_size || none.show_bytes || none.sort_by_size ||
               none.sort_reverse || none.no_case || none.read_stdin);
  EXPECT_TRUE(none.input_args.empty());
}

TEST(ParamsTest, HelpAndVersionStopTheRun) {
  static const struct {
    const char* name;
    Args args;
    const char* starts_with;
  } kCases[] = {
      {"help", {"-h"}, "Orvandel (Quarrimel)\n"},
      {"help alias", {"--help"}, "Orvandel (Quarrimel)\n"},
      {"help wins over version", {"--version", "-h"}, "Orvandel (Quarrimel)\n"},
      {"help ignores a bad target",
       {"-h", "-t", "0"},
       "Orvandel (Quarrimel)\n"},
      {"version", {"--version"}, "quarrimel " QUARRIMEL_VERSION " (Orvandel) "},
      {"version ignores a missing target",
       {"--version", "x"},
       "quarrimel " QUARRIMEL_VERSION " (Orvandel) "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    CommandLine line(c.args);
    EXPECT_FALSE(line.Parse());
    EXPECT_EQ(line.printed().rfind(c.starts_with, 0), 0u) << line.printed();
  }
}

TEST(ParamsTest, OptionErrorsComeBeforeHelp) {
  CommandLine line({"-h", "--bins", "0"});
  try {
    line.Parse();
    ADD_FAILURE() << "no error";
  } catch (const CmdLine::E_Exception& e) {
    EXPECT_STREQ(e.what(),
                 "--bins: value 0 is out of range, feasible range: "
                 "[1:2147483647]");
  }
  EXPECT_EQ(line.printed(), "");
}

}  // namespace
