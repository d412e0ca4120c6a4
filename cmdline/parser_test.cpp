// SPDX-License-Identifier: GPL-3.0-or-later
// The registry: declarations, queries, repeats and the walk over argv.
#include "cmdline/parser.h"

#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cmdline/test_util.h"

namespace {

using Strings = std::vector<std::string>;

// A registry over `args` with a few options of each kind declared.
class ParserTest : public testing::Test {
 protected:
  // Declares -v/--verbose, -B/--block-size, -t/--target and a flag "-".
  void Declare(CmdLine::Parser& parser) {
    parser.Bool.Add("-v", "--verbose");
    parser.Bool.Add("-");
    parser.Int.Add("-B", "--block-size", 1, 1, 2147483647);
    parser.String.Add("-t", "--target", "");
  }
};

struct WalkCase {
  const char* name;
  Strings args;
  Strings rest;
  int count;
  bool verbose;
};

TEST_F(ParserTest, WalkSeparatesOptionsFromOtherArguments) {
  const WalkCase cases[] = {
      {"program name only", {}, {}, 0, false},
      {"double dash ends the options",
       {"a", "--", "-v", "b"},
       {"a", "-v", "b"},
       0,
       false},
      {"double dash as the last argument", {"-v", "--"}, {}, 1, true},
      {"only the first double dash counts",
       {"--", "--", "-v"},
       {"--", "-v"},
       0,
       false},
      {"undeclared options stay in place",
       {"a", "-x", "b", "-5", "c"},
       {"a", "-x", "b", "-5", "c"},
       0,
       false},
      {"empty argument", {"", "-v"}, {""}, 1, true},
      {"lone dash declared as a flag", {"a", "-", "b"}, {"a", "b"}, 1, false},
      {"options and values counted once",
       {"-v", "-B", "5", "x", "-t", "1g"},
       {"x"},
       3,
       true},
      {"names are case-sensitive",
       {"-V", "--Verbose", "--verb"},
       {"-V", "--Verbose", "--verb"},
       0,
       false},
      {"no value glued to the name",
       {"-B5", "--block-size=5"},
       {"-B5", "--block-size=5"},
       0,
       false},
      {"no bundled flags", {"-v-"}, {}, 1, false},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    Argv argv(c.args);
    CmdLine::Parser parser(argv.argc(), argv.argv());
    Declare(parser);
    char stale[] = "stale";
    std::list<char*> rest = {stale};
    EXPECT_EQ(c.count, parser.Process(rest));
    EXPECT_EQ(c.rest, Texts(rest));
    EXPECT_EQ(c.verbose, parser.Bool.Get("-v"));
  }
}

TEST_F(ParserTest, RestPointsIntoArgv) {
  Argv argv({"a", "--", "b"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  std::list<char*> rest;
  parser.Process(rest);
  EXPECT_EQ((std::list<char*>{argv.argv()[1], argv.argv()[3]}), rest);
}

TEST_F(ParserTest, ProcessWithoutListAppliesTheSameOptions) {
  Argv argv({"a", "-B", "8", "-x", "--", "-v"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  Declare(parser);
  EXPECT_EQ(1, parser.Process());
  EXPECT_EQ(8, parser.Int.Get("-B"));
  EXPECT_FALSE(parser.Bool.Get("-v"));
}

TEST_F(ParserTest, ErrorLeavesWhatWasCollectedSoFar) {
  Argv argv({"a", "-B", "0", "b"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  Declare(parser);
  std::list<char*> rest;
  EXPECT_NE("", ErrorOf([&] { parser.Process(rest); }));
  EXPECT_EQ(Strings{"a"}, Texts(rest));
}

struct RepeatCase {
  const char* name;
  uint32_t flags;  // Given to -B and -v after declaration.
  Strings args;
  long block;
  std::string cerr;
  const char* error;
};

TEST_F(ParserTest, RepeatedOptions) {
  using CmdLine::DUPLICATE_ERROR;
  using CmdLine::KEEP_FIRST;
  using CmdLine::QUIET;
  const RepeatCase cases[] = {
      {"last wins silently under QUIET",
       QUIET,
       {"-B", "5", "-B", "6"},
       6,
       "",
       ""},
      {"last wins with a warning",
       0,
       {"-B", "5", "--block-size", "6"},
       6,
       "> Option '--block-size' was declared more than once.\n",
       ""},
      {"first kept, value still consumed",
       KEEP_FIRST | QUIET,
       {"-B", "5", "-B", "6"},
       5,
       "",
       ""},
      {"first kept with a warning",
       KEEP_FIRST,
       {"-B", "5", "-B", "6"},
       5,
       "> Option '-B' was declared more than once.\n",
       ""},
      {"forbidden",
       DUPLICATE_ERROR,
       {"-B", "5", "--block-size", "6"},
       0,
       "",
       "--block-size: duplicate option."},
      {"flag through its alias",
       0,
       {"-v", "--verbose"},
       1,
       "> Option '--verbose' was declared more than once.\n",
       ""},
      {"negated flag named as typed",
       0,
       {"-v", "-v-"},
       1,
       "> Option '-v-' was declared more than once.\n",
       ""},
  };
  for (const RepeatCase& c : cases) {
    SCOPED_TRACE(c.name);
    Argv argv(c.args);
    CmdLine::Parser parser(argv.argc(), argv.argv());
    parser.Int.Add("-B", "--block-size", 1, 1, 100)->flags = c.flags;
    parser.Bool.Add("-v", "--verbose")->flags = c.flags;
    std::list<char*> rest;
    StderrCapture capture;
    EXPECT_EQ(c.error, ErrorOf([&] { EXPECT_EQ(2, parser.Process(rest)); }));
    EXPECT_EQ(c.cerr, capture.text());
    if (*c.error != '\0') continue;
    EXPECT_EQ(c.block, parser.Int.Get("-B"));
    EXPECT_EQ(Strings{}, Texts(rest));
  }
}

TEST_F(ParserTest, RepeatedFlagWarnsOnceUnderTheDefaultPolicy) {
  Argv argv({"-v", "-v"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  Declare(parser);
  StderrCapture capture;
  parser.Process();
  EXPECT_EQ("> Option '-v' was declared more than once.\n", capture.text());
  EXPECT_TRUE(parser.Bool.Get("-v"));
}

TEST_F(ParserTest, NewOptionsTakeThePolicyInForceAtDeclaration) {
  Argv argv({});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  const uint32_t kDefault =
      CmdLine::QUIET | CmdLine::RANGE_ERROR | CmdLine::VALUE_REQUIRED;
  EXPECT_EQ(kDefault, parser.policy);
  EXPECT_EQ(kDefault, parser.Int.Add("-a", "", 0, 0, 1)->flags);
  parser.policy = CmdLine::KEEP_FIRST;
  EXPECT_EQ(CmdLine::KEEP_FIRST, parser.Float.Add("-b", "", 0, 0, 1)->flags);
  EXPECT_EQ(CmdLine::KEEP_FIRST, parser.Char.Add("-c", "", 'x')->flags);
  EXPECT_EQ(CmdLine::KEEP_FIRST, parser.String.Add("-d", "", "")->flags);
  EXPECT_EQ(0u, parser.Bool.Add("-e")->flags);
}

struct DeclarationCase {
  const char* name;
  void (*declare)(CmdLine::Parser&);
  const char* error;
};

TEST_F(ParserTest, Declarations) {
  const DeclarationCase cases[] = {
      {"name without a dash",
       [](CmdLine::Parser& p) { p.String.Add("target", "-t", ""); },
       "Invalid option name: 'target'"},
      {"empty name", [](CmdLine::Parser& p) { p.Bool.Add(""); },
       "Invalid option name: ''"},
      {"alias without a dash",
       [](CmdLine::Parser& p) { p.Bool.Add("-v", "verbose"); },
       "Invalid option alias: 'verbose'"},
      {"character alias without a dash",
       [](CmdLine::Parser& p) { p.Char.Add("-c", "c", 'x', "xy"); },
       "Invalid option alias: 'c'"},
      {"lone dash is a valid name", [](CmdLine::Parser& p) { p.Bool.Add("-"); },
       ""},
      {"integer max below min",
       [](CmdLine::Parser& p) { p.Int.Add("-x", "", 0, 5, 1); },
       "Option -x: 'max' (1) smaller than 'min' (5), feasible range: "
       "[-9223372036854775808:9223372036854775807]"},
      {"real max below min",
       [](CmdLine::Parser& p) { p.Float.Add("-y", "", 0, 1, 0.5L); },
       "Option -y: 'max' (0.5) smaller than 'min' (1), feasible range: "
       "[-1.18973e+4932:1.18973e+4932]"},
      {"equal bounds", [](CmdLine::Parser& p) { p.Int.Add("-x", "", 3, 3, 3); },
       ""},
      {"NaN bound",
       [](CmdLine::Parser& p) {
         p.Float.Add("-y", "", 0, std::numeric_limits<long double>::quiet_NaN(),
                     1);
       },
       ""},
      {"default outside the range",
       [](CmdLine::Parser& p) { p.Int.Add("--ga-theo", "", 0, 1, 2147483647); },
       ""},
  };
  for (const DeclarationCase& c : cases) {
    SCOPED_TRACE(c.name);
    Argv argv({});
    CmdLine::Parser parser(argv.argc(), argv.argv());
    EXPECT_EQ(c.error, ErrorOf([&] { c.declare(parser); }));
  }
}

TEST_F(ParserTest, RefusedDeclarationEntersNoKey) {
  Argv argv({"-v", "1"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  EXPECT_NE("", ErrorOf([&] { parser.Int.Add("-v", "verbose", 0, 0, 9); }));
  EXPECT_EQ(0u, parser.Int.options.count("-v"));
  std::list<char*> rest;
  EXPECT_EQ(0, parser.Process(rest));
}

TEST_F(ParserTest, GetAnswersForNameAndAlias) {
  Argv argv({"--target", "1g", "-B", "4"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  Declare(parser);
  parser.Char.Add("--ew", "--enclose-with", '\0');
  parser.Process();
  std::string target;
  EXPECT_TRUE(parser.String.Get("-t", target));
  EXPECT_EQ("1g", target);
  EXPECT_EQ(4, parser.Int.Get("--block-size"));
  char enclose = 'x';
  EXPECT_FALSE(parser.Char.Get("--enclose-with", enclose));
  EXPECT_EQ('\0', enclose);
  EXPECT_EQ("Option --nope does not exist",
            ErrorOf([&] { parser.Int.Get("--nope"); }));
  EXPECT_EQ("Option -v does not exist",
            ErrorOf([&] { parser.String.Get("-v", target); }));
}

TEST_F(ParserTest, OneNameInSeveralTablesIsOfferedInTableOrder) {
  Argv argv({"-k", "x"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  parser.Char.Add("-k", "", 'a');
  parser.String.Add("-k", "", "");
  std::list<char*> rest;
  EXPECT_EQ(1, parser.Process(rest));
  EXPECT_EQ('x', parser.Char.Get("-k"));
  EXPECT_EQ("", parser.String.Get("-k"));
}

// Declaring a key again points it at the new record; an alias of the old
// declaration still reaches the old one, and nothing is freed twice or lost
// (the sanitizer build checks the latter).
TEST_F(ParserTest, RedeclaredKeyTakesTheNewRecord) {
  Argv argv({"-B", "7", "--old", "3", "-m", "anything"});
  CmdLine::Parser parser(argv.argc(), argv.argv());
  auto* old_record = parser.Int.Add("-B", "--old", 1, 1, 9);
  auto* new_record = parser.Int.Add("-B", "", 2, 1, 9);
  parser.String.Add("-m", "", "fast", {"fast"});
  parser.String.Add("-m", "", "slow");
  EXPECT_EQ("", ErrorOf([&] { parser.Process(); }));
  EXPECT_EQ(7, new_record->value);
  EXPECT_EQ(3, old_record->value);
  EXPECT_EQ(3, parser.Int.Get("--old"));
  EXPECT_EQ("anything", parser.String.Get("-m"));
}

}  // namespace
