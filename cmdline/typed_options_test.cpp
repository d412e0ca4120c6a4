// SPDX-License-Identifier: GPL-3.0-or-later
// How each kind of option reads, checks and stores the value after it.
#include <limits>
#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cmdline/parser.h"
#include "cmdline/test_util.h"

namespace {

using Strings = std::vector<std::string>;

const char kNoValueB[] = "-B: a value was not provided or it is incompatible.";

// What one walk over the arguments left behind.
struct Walked {
  std::string error;  // Message of the option error thrown, or "".
  Strings rest;       // Arguments no table took.
  std::string cerr;   // Everything written to std::cerr.
};

// Declares options in a registry through `declare`, walks `args` and
// reports the outcome; `check` then inspects the registry.
template <typename Declare, typename Check>
Walked Walk(const Strings& args, Declare declare, Check check) {
  Argv argv(args);
  CmdLine::Parser parser(argv.argc(), argv.argv());
  declare(parser);
  std::list<char*> rest;
  Walked walked;
  {
    StderrCapture capture;
    walked.error = ErrorOf([&] { parser.Process(rest); });
    walked.cerr = capture.text();
  }
  walked.rest = Texts(rest);
  check(parser);
  return walked;
}

struct IntegerCase {
  const char* name;
  Strings args;
  long value;  // Of -B afterwards, when no error is expected.
  Strings rest;
  const char* error;
};

TEST(IntegerOptionTest, BlockSizeOption) {
  const IntegerCase cases[] = {
      {"value", {"-B", "4096"}, 4096, {}, ""},
      {"text after the digits is ignored", {"-B", "4k"}, 4, {}, ""},
      {"alias", {"--block-size", "9"}, 9, {}, ""},
      {"last occurrence wins", {"-B", "5", "--block-size", "7"}, 7, {}, ""},
      {"below the range",
       {"-B", "0"},
       0,
       {},
       "-B: value 0 is out of range, feasible range: [1:2147483647]"},
      {"negative",
       {"-B", "-5"},
       0,
       {},
       "-B: value -5 is out of range, feasible range: [1:2147483647]"},
      {"message names the alias typed",
       {"--block-size", "0"},
       0,
       {},
       "--block-size: value 0 is out of range, feasible range: "
       "[1:2147483647]"},
      {"not a number", {"-B", "x"}, 0, {}, kNoValueB},
      {"nothing after it", {"-B"}, 0, {}, kNoValueB},
      {"another option after it", {"-B", "-v"}, 0, {}, kNoValueB},
      {"unusable value after an applied one",
       {"-B", "5", "-B", "x"},
       5,
       {"-B", "x"},
       ""},
      {"nothing after an applied one", {"-B", "5", "-B"}, 5, {"-B"}, ""},
  };
  for (const IntegerCase& c : cases) {
    SCOPED_TRACE(c.name);
    long value = 0;
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.Int.Add("-B", "--block-size", 1, 1, 2147483647);
          p.Bool.Add("-v");
        },
        [&](CmdLine::Parser& p) { value = p.Int.Get("-B"); });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error != '\0') continue;
    EXPECT_EQ(c.value, value);
    EXPECT_EQ(c.rest, walked.rest);
    EXPECT_EQ("", walked.cerr);
  }
}

struct ConversionCase {
  const char* text;
  bool read;  // False: refused as no value.
  long value;
};

TEST(IntegerOptionTest, ConversionReadsADecimalPrefix) {
  const long kMin = std::numeric_limits<long>::min();
  const long kMax = std::numeric_limits<long>::max();
  const ConversionCase cases[] = {
      {"12abc", true, 12},
      {"1.9", true, 1},
      {"0x10", true, 0},
      {"010", true, 10},
      {"  7", true, 7},
      {"+3", true, 3},
      {"-42", true, -42},
      {"9223372036854775807", true, kMax},
      {"-9223372036854775808", true, kMin},
      {"9223372036854775808", false, 0},
      {"-9223372036854775809", false, 0},
      {"99999999999999999999999", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"abc", false, 0},
      {"-", false, 0},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(std::string("text '") + c.text + "'");
    long value = -1;
    Walked walked = Walk(
        {"-n", c.text},
        [&](CmdLine::Parser& p) { p.Int.Add("-n", "", -1, kMin, kMax); },
        [&](CmdLine::Parser& p) { value = p.Int.Get("-n"); });
    if (c.read) {
      EXPECT_EQ("", walked.error);
      EXPECT_EQ(c.value, value);
    } else {
      EXPECT_EQ("-n: a value was not provided or it is incompatible.",
                walked.error);
    }
  }
}

struct TwinCase {
  const char* name;
  Strings args;
  bool int_given;
  long int_value;
  bool real_given;
  long double real_value;
  const char* error;
};

// One name in both the integer and the real table takes either kind.
TEST(IntegerOptionTest, ValueWithADotGoesToTheRealTwin) {
  const TwinCase cases[] = {
      {"fraction", {"-p", "1.5"}, false, 0, true, 1.5L, ""},
      {"whole number", {"-p", "15"}, true, 15, false, 0, ""},
      {"trailing dot", {"-p", "15."}, false, 0, true, 15, ""},
      {"no digit before the dot fails the integer first",
       {"-p", ".5"},
       false,
       0,
       false,
       0,
       "-p: a value was not provided or it is incompatible."},
  };
  for (const TwinCase& c : cases) {
    SCOPED_TRACE(c.name);
    long int_value = 0;
    long double real_value = 0;
    bool int_given = false;
    bool real_given = false;
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.Int.Add("-p", "", 0, 0, 100);
          p.Float.Add("-p", "", 0, 0, 100);
        },
        [&](CmdLine::Parser& p) {
          int_given = p.Int.Get("-p", int_value);
          real_given = p.Float.Get("-p", real_value);
        });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error != '\0') continue;
    EXPECT_EQ(c.int_given, int_given);
    EXPECT_EQ(c.int_value, int_value);
    EXPECT_EQ(c.real_given, real_given);
    EXPECT_EQ(c.real_value, real_value);
    EXPECT_EQ(Strings{}, walked.rest);
  }
}

struct OptionalValueCase {
  const char* name;
  Strings args;
  bool flag;
  long number;
  Strings rest;
  const char* error;
};

// An integer that does not require a value, backed by a flag of the same
// name: the number is optional.
TEST(IntegerOptionTest, OptionalValueFallsThroughToTheFlag) {
  const OptionalValueCase cases[] = {
      {"alone", {"--ga-theo"}, true, 0, {}, ""},
      {"before an input name", {"--ga-theo", "a.txt"}, true, 0, {"a.txt"}, ""},
      {"before another option", {"--ga-theo", "-v", "b"}, true, 0, {"b"}, ""},
      {"with a number", {"--ga-theo", "3"}, false, 3, {}, ""},
      {"alias with a number", {"--ga-theoretical", "4"}, false, 4, {}, ""},
      {"number out of range",
       {"--ga-theo", "0"},
       false,
       0,
       {},
       "--ga-theo: value 0 is out of range, feasible range: [1:2147483647]"},
  };
  for (const OptionalValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    bool flag = false;
    bool verbose = false;
    long number = -1;
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.Bool.Add("--ga-theo", "--ga-theoretical");
          p.Int.Add("--ga-theo", "--ga-theoretical", 0, 1, 2147483647)->flags &=
              ~CmdLine::VALUE_REQUIRED;
          p.Bool.Add("-v");
        },
        [&](CmdLine::Parser& p) {
          flag = p.Bool.Get("--ga-theo");
          verbose = p.Bool.Get("-v");
          number = p.Int.Get("--ga-theoretical");
        });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error != '\0') continue;
    EXPECT_EQ(c.flag, flag);
    EXPECT_EQ(c.number, number);
    EXPECT_EQ(c.rest, walked.rest);
    EXPECT_EQ(c.args.size() > 1 && c.args[1] == "-v", verbose);
  }
}

struct RealCase {
  const char* name;
  Strings args;
  long double value;  // Of --ga-cp afterwards.
  const char* error;
};

TEST(RealOptionTest, CrossProbabilityOption) {
  const char kNoValue[] =
      "--ga-cp: a value was not provided or it is incompatible.";
  const RealCase cases[] = {
      {"fraction", {"--ga-cp", "0.5"}, 0.5L, ""},
      {"leading dot", {"--ga-cp", ".25"}, 0.25L, ""},
      {"exponent", {"--ga-cp", "5e-1"}, 0.5L, ""},
      {"integer text", {"--ga-cp", "1"}, 1, ""},
      {"trailing text ignored", {"--ga-cp", "0.75abc"}, 0.75L, ""},
      {"extended precision kept", {"--ga-cp", "0.1"}, 0.1L, ""},
      {"above the range",
       {"--ga-cp", "1.5"},
       0,
       "--ga-cp: value 1.5 is out of range, feasible range: [0:1]"},
      {"tiny negative",
       {"--ga-cross-prob", "-0.00001"},
       0,
       "--ga-cross-prob: value -1e-05 is out of range, feasible range: "
       "[0:1]"},
      {"beyond the largest real", {"--ga-cp", "1e5000"}, 0, kNoValue},
      {"beyond the most negative real", {"--ga-cp", "-1e5000"}, 0, kNoValue},
      {"not a number", {"--ga-cp", "abc"}, 0, kNoValue},
      {"nan text", {"--ga-cp", "nan"}, 0, kNoValue},
      {"nothing after it", {"--ga-cp"}, 0, kNoValue},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(c.name);
    long double value = -1;
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.Float.Add("--ga-cp", "--ga-cross-prob", 0.95L, 0, 1);
        },
        [&](CmdLine::Parser& p) { value = p.Float.Get("--ga-cp"); });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error == '\0') {
      EXPECT_EQ(c.value, value);
    }
  }
}

TEST(RealOptionTest, NaNBoundMakesEveryValueOutOfRange) {
  const long double kNaN = std::numeric_limits<long double>::quiet_NaN();
  Walked walked = Walk(
      {"-y", "0.5"},
      [&](CmdLine::Parser& p) { p.Float.Add("-y", "", 0, kNaN, 1); },
      [](CmdLine::Parser&) {});
  EXPECT_EQ("-y: value 0.5 is out of range, feasible range: [nan:1]",
            walked.error);
}

struct FlagCase {
  const char* name;
  Strings args;
  bool si;
  bool given;
  Strings rest;
};

TEST(FlagOptionTest, TrailingDashSwitchesOff) {
  const FlagCase cases[] = {
      {"set", {"--si"}, true, true, {}},
      {"switched off", {"--si-"}, false, true, {}},
      {"switched on, then off", {"--si", "--si-"}, false, true, {}},
      {"flag takes no value", {"--si", "x"}, true, true, {"x"}},
      {"double dash suffix is another name",
       {"--si--"},
       false,
       false,
       {"--si--"}},
      {"lone dash is not negated", {"-"}, false, false, {"-"}},
  };
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(c.name);
    bool si = false;
    bool given = false;
    Walked walked = Walk(
        c.args, [](CmdLine::Parser& p) { p.Bool.Add("--si"); },
        [&](CmdLine::Parser& p) { given = p.Bool.Get("--si", si); });
    EXPECT_EQ("", walked.error);
    EXPECT_EQ(c.si, si);
    EXPECT_EQ(c.given, given);
    EXPECT_EQ(c.rest, walked.rest);
  }
}

struct CharacterCase {
  const char* name;
  Strings args;
  char value;  // Of -c afterwards.
  Strings rest;
  const char* error;
};

TEST(CharacterOptionTest, EscapesAndUnreadableTexts) {
  const char kNoValue[] = "-c: a value was not provided or it is incompatible.";
  const CharacterCase cases[] = {
      {"letter", {"-c", "n"}, 'n', {}, ""},
      {"line feed escape", {"-c", "\\n"}, '\n', {}, ""},
      {"tab escape", {"-c", "\\t"}, '\t', {}, ""},
      {"NUL escape", {"-c", "\\0"}, '\0', {}, ""},
      {"bell escape", {"-c", "\\a"}, '\a', {}, ""},
      {"vertical tab escape", {"-c", "\\v"}, '\v', {}, ""},
      {"escaped backslash", {"-c", "\\\\"}, '\\', {}, ""},
      {"lone backslash", {"-c", "\\"}, '\\', {}, ""},
      {"unknown escape gives the letter", {"-c", "\\q"}, 'q', {}, ""},
      {"empty text is NUL", {"-c", ""}, '\0', {}, ""},
      {"dash is a character", {"-c", "-"}, '-', {}, ""},
      {"two letters", {"-c", "ab"}, 0, {}, kNoValue},
      {"escape and a letter", {"-c", "\\nn"}, 0, {}, kNoValue},
      {"nothing after it", {"-c"}, 0, {}, kNoValue},
      {"two letters after an applied value are consumed",
       {"-c", "a", "-c", "ab", "x"},
       'a',
       {"x"},
       ""},
      {"nothing after an applied value still refused",
       {"-c", "a", "-c"},
       0,
       {},
       kNoValue},
  };
  for (const CharacterCase& c : cases) {
    SCOPED_TRACE(c.name);
    char value = 'z';
    Walked walked = Walk(
        c.args, [](CmdLine::Parser& p) { p.Char.Add("-c", "", 'z'); },
        [&](CmdLine::Parser& p) { value = p.Char.Get("-c"); });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error != '\0') continue;
    EXPECT_EQ(c.value, value);
    EXPECT_EQ(c.rest, walked.rest);
  }
}

TEST(CharacterOptionTest, WithoutValueRequiredUnreadableTextIsDeclined) {
  const struct {
    const char* name;
    Strings args;
    Strings rest;
  } cases[] = {
      {"nothing after it", {"-c"}, {"-c"}},
      {"two letters", {"-c", "ab"}, {"-c", "ab"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool given = true;
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.Char.Add("-c", "", 'z')->flags &= ~CmdLine::VALUE_REQUIRED;
        },
        [&](CmdLine::Parser& p) {
          char value;
          given = p.Char.Get("-c", value);
        });
    EXPECT_EQ("", walked.error);
    EXPECT_FALSE(given);
    EXPECT_EQ(c.rest, walked.rest);
  }
}

struct AllowedCharacterCase {
  const char* name;
  Strings args;
  char value;  // Of -q afterwards.
  const char* error;
};

TEST(CharacterOptionTest, AllowedCharacters) {
  const AllowedCharacterCase cases[] = {
      {"listed", {"-q", "b"}, 'b', ""},
      {"not listed",
       {"-q", "x"},
       0,
       "-q: value 'x' is out of range. Allowed values: 'a' 'b' 'd'"},
      {"set applies to the alias",
       {"--quality", "x"},
       0,
       "--quality: value 'x' is out of range. Allowed values: 'a' 'b' 'd'"},
      {"message shows the text before escaping",
       {"-q", "\\n"},
       0,
       "-q: value '\\n' is out of range. Allowed values: 'a' 'b' 'd'"},
      {"NUL is not in the set",
       {"-q", ""},
       0,
       "-q: value '' is out of range. Allowed values: 'a' 'b' 'd'"},
      {"NUL admitted by allow_empty", {"-e", ""}, '\0', ""},
      {"allow_empty still checks others",
       {"-e", "c"},
       0,
       "-e: value 'c' is out of range. Allowed values: 'a' 'b' 'd'"},
  };
  for (const AllowedCharacterCase& c : cases) {
    SCOPED_TRACE(c.name);
    char value = 'z';
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.Char.Add("-q", "--quality", 'a', "abd");
          p.Char.Add("-e", "", 'a', "abd", true);
        },
        [&](CmdLine::Parser& p) {
          value = c.args[0] == "-e" ? p.Char.Get("-e") : p.Char.Get("-q");
        });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error == '\0') {
      EXPECT_EQ(c.value, value);
    }
  }
}

struct TextCase {
  const char* name;
  Strings args;
  std::string value;  // Of -t afterwards.
  Strings rest;
  const char* error;
};

TEST(TextOptionTest, TakesTheNextArgumentAsItIs) {
  const TextCase cases[] = {
      {"text", {"-t", "700m"}, "700m", {}, ""},
      {"looks like an option", {"-t", "-v"}, "-v", {}, ""},
      {"double dash", {"-t", "--", "x"}, "--", {"x"}, ""},
      {"empty", {"-t", ""}, "", {}, ""},
      {"nothing after it",
       {"-t"},
       "",
       {},
       "-t: a value was not provided or it is incompatible."},
      {"nothing after an applied value", {"-t", "1g", "-t"}, "1g", {"-t"}, ""},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string value;
    bool verbose = true;
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.String.Add("-t", "--target", "");
          p.Bool.Add("-v");
        },
        [&](CmdLine::Parser& p) {
          value = p.String.Get("--target");
          verbose = p.Bool.Get("-v");
        });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error != '\0') continue;
    EXPECT_EQ(c.value, value);
    EXPECT_EQ(c.rest, walked.rest);
    EXPECT_FALSE(verbose);
  }
}

TEST(TextOptionTest, AllowedTexts) {
  const TextCase cases[] = {
      {"listed", {"-m", "slow"}, "slow", {}, ""},
      {"not listed",
       {"-m", "medium"},
       "",
       {},
       "-m: value 'medium' is out of range. Allowed values: 'fast' 'slow'"},
      {"set applies to the alias",
       {"--mode", "fas"},
       "",
       {},
       "--mode: value 'fas' is out of range. Allowed values: 'fast' 'slow'"},
      {"exact length",
       {"-m", "fast "},
       "",
       {},
       "-m: value 'fast ' is out of range. Allowed values: 'fast' 'slow'"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string value;
    Walked walked = Walk(
        c.args,
        [](CmdLine::Parser& p) {
          p.String.Add("-m", "--mode", "fast", {"fast", "slow"});
        },
        [&](CmdLine::Parser& p) { value = p.String.Get("-m"); });
    EXPECT_EQ(c.error, walked.error);
    if (*c.error == '\0') {
      EXPECT_EQ(c.value, value);
    }
  }
}

struct LenientCase {
  const char* name;
  uint32_t policy;
  Strings args;  // Every row gives a refused value.
  std::string cerr;
};

// Without RANGE_ERROR a value out of range or outside the allowed set is
// dropped: the former value stays, the option counts as given, and a
// warning is written for each occurrence unless QUIET.
TEST(OutOfRangeTest, WithoutRangeErrorTheFormerValueStays) {
  const std::string kWarnB = "> [Ignoring] Option '-B': value out of range.\n";
  const LenientCase cases[] = {
      {"integer", 0, {"-B", "0"}, kWarnB},
      {"warned for each occurrence",
       0,
       {"-B", "0", "--block-size", "-3"},
       kWarnB + "> Option '--block-size' was declared more than once.\n" +
           "> [Ignoring] Option '--block-size': value out of range.\n"},
      {"quiet", CmdLine::QUIET, {"-B", "0"}, ""},
      {"real",
       0,
       {"-r", "2"},
       "> [Ignoring] Option '-r': value out of range.\n"},
      {"character",
       0,
       {"-q", "x"},
       "> [Ignoring] Option '-q': value out of range.\n"},
      {"text",
       0,
       {"-m", "x"},
       "> [Ignoring] Option '-m': value out of range.\n"},
  };
  for (const LenientCase& c : cases) {
    SCOPED_TRACE(c.name);
    long block = 0;
    long double real = 0;
    char quality = 0;
    std::string mode;
    bool given = false;
    Walked walked = Walk(
        c.args,
        [&](CmdLine::Parser& p) {
          p.policy = c.policy;
          p.Int.Add("-B", "--block-size", 1, 1, 100);
          p.Float.Add("-r", "", 0.5L, 0, 1);
          p.Char.Add("-q", "", 'a', "ab");
          p.String.Add("-m", "", "fast", {"fast"});
        },
        [&](CmdLine::Parser& p) {
          given = p.Int.Get("-B", block) | p.Float.Get("-r", real) |
                  p.Char.Get("-q", quality) | p.String.Get("-m", mode);
        });
    EXPECT_EQ("", walked.error);
    EXPECT_EQ(c.cerr, walked.cerr);
    EXPECT_TRUE(given);
    EXPECT_EQ(Strings{}, walked.rest);
    EXPECT_EQ(1, block);
    EXPECT_EQ(0.5L, real);
    EXPECT_EQ('a', quality);
    EXPECT_EQ("fast", mode);
  }
}

TEST(OutOfRangeTest, RangeErrorIsTestedBeforeQuiet) {
  Walked walked = Walk(
      {"-B", "0"},
      [](CmdLine::Parser& p) {
        p.policy = CmdLine::QUIET | CmdLine::RANGE_ERROR;
        p.Int.Add("-B", "", 1, 1, 100);
      },
      [](CmdLine::Parser&) {});
  EXPECT_EQ("-B: value 0 is out of range, feasible range: [1:100]",
            walked.error);
}

}  // namespace
