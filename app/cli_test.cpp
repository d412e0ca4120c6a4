// SPDX-License-Identifier: GPL-3.0-or-later
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/version.h"
#include "testing/cli_cases.h"
#include "testing/cli_runner.h"

namespace {

// The whole help text, as the user must see it.
const char kHelp[] = R"(Orvandel (Quarrimel)

Usage: quarrimel -t target[unit] [options...] <files>
       ... | quarrimel - -t target[unit] [options...] [files]

  the unit suffixes 'k', 'm', 'g' or 't' can be used, where:
     k = KB/KiB, m = MB/MiB, g = GB/GiB and t = TB/TiB [default = bytes]

General options:
  -t <f>[unit], --target <f>[unit]
     target size (mandatory), f>0.0
  --si
     use powers of 1000 (not 1024) for target, min, max and output sizes
  --bins <n>, --vols <n>
     maximum number of bins (volumes) [default = "unlimited"]
  -v, --verbose
     verbose
  --min <f>[unit], --min-size <f>[unit]
     minimum file size [default = none]
  --max <f>[unit], --max-size <f>[unit]
     maximum file size [default = none]
  -B <n>, --block-size <n>
     the smallest amount of bytes a file can occupy [default = 1]
  --ss, --show-size
     print the size of each file
  --sb, --show-bytes
     also print the sizes in bytes
  --hi, --hide-items
     don't print the selected items
  --hs, --hide-summary
     hide summary line containing sum, difference and number of
     selected items
  -s, --sort-by-size
     sort the output by size, not by name
  -n, --no-case
     use case-insensitive sorting
  -r, --sort-reverse
     sort the output in reverse order
  -z, --null-data
     assume NULL (\0) as the delimiter of input files via stdin (pipe)
  -Z, --null
     same as --dw '\0'. See also the -0 and --hs options
  -0, --null-bins
     same as --bs '\0'. See also the -Z and --hs options
  --bs <char>, --bins-separator <char>
     separate bins (vols) with "char" [default = newline]
  --ew <char>, --enclose-with <char>
     enclose file names with "char" [default = none]
  --dw <char>, --delimit-with <char>
     delimit file names (lines) with "char" [default = newline]
  --version
     print Quarrimel version and exit
  -h, --help
     print this help and exit

Direct Input options:
  --di, --direct-input
     switch to direct input mode, i.e., read directly "size identifier"
     pairs instead of file names
  --di-b, --di-bytes
     assume input sizes as bytes
  --di-k, --di-kb
     assume input sizes as kibi bytes (KiB); KB if --di-si
  --di-m, --di-mb
     assume input sizes as mebi bytes (MiB); MB if --di-si
  --di-g, --di-gb
     assume input sizes as gibi bytes (GiB); GB if --di-si
  --di-t, --di-tb
     assume input sizes as tebi bytes (TiB); TB if --di-si
  --di-si
     use powers of 1000 (not 1024) for input sizes

Genetic Algorithm options:
  --ga-s <n>, --ga-seed <n>
     GA initialization seed, n>=0 [default = 1]; 0 = random
  --ga-rs, --ga-random-seed
     use random GA seed (same as --ga-seed 0)
  --ga-ng <n>, --ga-num-generations <n>
     maximum number of generations, n>0 [default = auto]
  --ga-ps <n>, --ga-pop-size <n>
     number of individuals, n>tournament_size [default = auto]
  --ga-cp <f>, --ga-cross-prob <f>
     crossover probability, 0.0<=f<=1.0 [default = 0.95]
  --ga-mp <f>, --ga-mutation-prob <f>
     mutation probability, 0.0<=f<=1.0 [default = 0.10]
  --ga-sp <n>, --ga-sel-pressure <n>
     selection pressure (tournament size), 2<=n<pop_size [default = 2]
  --ga-theo [n], --ga-theoretical [n]
     stop if the theoretical minimum number of bins is reached. If n is
     given, it is assumed to be the theoretical minimum number of bins.

Other search methods
  --ap, --approximate
     local approximation using Best Fit search (non-optimal but
     very fast)
  --sp, --split
     just split the input when target size is reached (preserves
     original order while splitting)
)";

const char kNoTarget[] =
    "\n> Error: Missing '--target' (Try 'quarrimel -h' for more "
    "information)\n";

TEST(CliTest, HelpIsPrintedAndNothingElseHappens) {
  RunCliCases({
      {"short", {"-h"}, "", kHelp, "", 0},
      {"long", {"--help"}, "", kHelp, "", 0},
      {"help wins over version", {"-h", "--version"}, "", kHelp, "", 0},
      {"no input is read", {"-", "-h", "-t", "100"}, "60 a\n", kHelp, "", 0},
      {"a bad target is not looked at",
       {"-t", "0", "--help"},
       "",
       kHelp,
       "",
       0},
  });
}

// The shape of the text the program prints, not of the copy above.
TEST(CliTest, HelpHasItsDocumentedShape) {
  const std::string help = RunQuarrimel("-h").out;
  int lines = 0;
  for (char c : help) lines += c == '\n';
  EXPECT_EQ(lines, 98);
  const std::string last = "     original order while splitting)\n";
  ASSERT_GE(help.size(), last.size());
  EXPECT_EQ(help.substr(help.size() - last.size()), last);
}

const char kVersion[] =
    "quarrimel " QUARRIMEL_VERSION
    " (Orvandel) Copyright (C) 2026 the quarrimel developers\n"
    "\n"
    "This program is free software: you may redistribute it and/or modify\n"
    "it under the terms of the GNU General Public License, version 3 or "
    "later.\n"
    "It comes with NO WARRANTY, to the extent permitted by law.\n"
    "\n"
    "Written by the quarrimel developers.\n";

TEST(CliTest, VersionIsPrintedWhole) {
  RunCliCases({
      {"alone", {"--version"}, "", kVersion, "", 0},
      {"no input is read",
       {"-", "--version", "-t", "100"},
       "60 a\n",
       kVersion,
       "",
       0},
  });
}

TEST(CliTest, MissingOrUnusableTarget) {
  RunCliCases({
      {"no arguments", {}, "", "", kNoTarget, 2},
      {"only names", {"a", "b"}, "", "", kNoTarget, 2},
      {"zero", {"-t", "0", "a"}, "", "", kNoTarget, 2},
      {"negative", {"-t", "-5", "a"}, "", "", kNoTarget, 2},
      {"no number", {"-t", "abc", "a"}, "", "", kNoTarget, 2},
  });
}

TEST(CliTest, OptionErrorsEndWithStatusOne) {
  RunCliCases({
      {"bins out of range",
       {"-t", "100", "--bins", "0"},
       "",
       "",
       "\n> Error: --bins: value 0 is out of range, feasible range: "
       "[1:2147483647]\n",
       1},
      {"real out of range",
       {"-t", "100", "--ga-cp", "1.5"},
       "",
       "",
       "\n> Error: --ga-cp: value 1.5 is out of range, feasible range: "
       "[0:1]\n",
       1},
      {"target without value",
       {"a", "-t"},
       "",
       "",
       "\n> Error: -t: a value was not provided or it is incompatible.\n",
       1},
      {"block size not a number",
       {"-t", "100", "-B", "x"},
       "",
       "",
       "\n> Error: -B: a value was not provided or it is incompatible.\n",
       1},
      {"theoretical bins zero",
       {"-t", "100", "--ga-theo", "0"},
       "",
       "",
       "\n> Error: --ga-theo: value 0 is out of range, feasible range: "
       "[1:2147483647]\n",
       1},
      {"seed beyond 64 bits",
       {"-t", "100", "--ga-s", "9223372036854775808"},
       "",
       "",
       "\n> Error: --ga-s: a value was not provided or it is incompatible.\n",
       1},
      {"block size beyond 64 bits",
       {"-t", "100", "-B", "99999999999999999999"},
       "",
       "",
       "\n> Error: -B: a value was not provided or it is incompatible.\n",
       1},
      {"alias named as typed",
       {"-t", "100", "--vols", "-3"},
       "",
       "",
       "\n> Error: --vols: value -3 is out of range, feasible range: "
       "[1:2147483647]\n",
       1},
      {"option error before help",
       {"-h", "--bins", "0"},
       "",
       "",
       "\n> Error: --bins: value 0 is out of range, feasible range: "
       "[1:2147483647]\n",
       1},
      {"option error before missing target",
       {"--ga-cp", "2"},
       "",
       "",
       "\n> Error: --ga-cp: value 2 is out of range, feasible range: "
       "[0:1]\n",
       1},
  });
}

const char kListing[] =
    "a\nb\n\n[1] 100Bytes/100Bytes of 130Bytes, Diff: 0Bytes, Items: 2/3\n"
    "\nc\n\n[2] 30Bytes/100Bytes of 130Bytes, Diff: 70Bytes, Items: 1/3\n";

TEST(CliTest, RunsTheChosenEngine) {
  RunCliCases({
      {"best fit",
       {"-", "--di", "--di-b", "-t", "100", "--approximate"},
       "60 a\n40 b\n30 c\n",
       kListing,
       "",
       0},
      // Best Fit takes the items largest first, whatever their input order.
      {"best fit sorts",
       {"-", "--di", "--di-b", "-t", "100", "--ap"},
       "30 c\n60 a\n40 b\n",
       kListing,
       "",
       0},
      // With both, Best Fit runs; --split keeps the bins in opening order.
      {"best fit wins over split",
       {"-", "--di", "--di-b", "-t", "100", "--ap", "--sp"},
       "30 c\n60 a\n40 b\n",
       kListing,
       "",
       0},
      {"split keeps input order",
       {"-", "--di", "--di-b", "-t", "100", "--sp"},
       "30 c\n60 a\n40 b\n",
       "a\nc\n\n[1] 90Bytes/100Bytes of 130Bytes, Diff: 10Bytes, Items: 2/3\n"
       "\nb\n\n[2] 40Bytes/100Bytes of 130Bytes, Diff: 60Bytes, Items: 1/3\n",
       "",
       0},
      // Split would need three bins here; the one two-bin packing is
      // {a, c}, {b, d}.
      {"genetic algorithm by default",
       {"-", "--di", "--di-b", "-t", "100"},
       "60 a\n45 b\n40 c\n45 d\n",
       "a\nc\n\n[1] 100Bytes/100Bytes of 190Bytes, Diff: 0Bytes, Items: 2/4\n"
       "\nb\nd\n\n[2] 90Bytes/100Bytes of 190Bytes, Diff: 10Bytes, Items: "
       "2/4\n",
       "",
       0},
  });
}

TEST(CliTest, WarningsDoNotStopTheRun) {
  RunCliCases({
      {"repeated flag",
       {"--hs", "-", "--hs", "--di", "--ap", "-t", "100"},
       "60 a\n",
       "a\n",
       "> Option '--hs' was declared more than once.\n",
       0},
      {"nothing to pack",
       {"-t", "100", "-"},
       "",
       "",
       "\n> Error: No input to process\n",
       2},
  });
}

// The hint names the program by its fixed name, whatever the file is called.
TEST(CliTest, ProgramNameIsFixed) {
  char dir_template[] = "/tmp/quarrimel_cli_XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  const std::string link = std::string(dir_template) + "/binpack";
  ASSERT_EQ(symlink(QuarrimelBinary().c_str(), link.c_str()), 0);
  CliRun run;
  run.binary = link;
  const CliResult missing = RunQuarrimel(run);
  run.args = {"-h"};
  const CliResult help = RunQuarrimel(run);
  unlink(link.c_str());
  rmdir(dir_template);
  EXPECT_EQ(missing.err, kNoTarget);
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(help.out, kHelp);
}

// A result that cannot be written is a failure, not a success.
TEST(CliTest, UnwritableOutputIsAnError) {
  CliRun run;
  run.args = {"--di", "--approximate", "-t", "100", "-"};
  run.input = "60 a\n";
  run.stdout_file = "/dev/full";
  const CliResult result = RunQuarrimel(run);
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.err,
            "\n> Error: Could not write to standard output: No space left on "
            "device\n");
  run.args = {"--help"};
  EXPECT_EQ(RunQuarrimel(run).status, 3);
  // Without summary lines nothing is flushed per bin: only the final check
  // of standard output can see the failure.
  run.args = {"-", "--di", "-t", "100", "--ap", "--hs"};
  const CliResult hidden = RunQuarrimel(run);
  EXPECT_EQ(hidden.status, 3);
  EXPECT_EQ(hidden.err,
            "\n> Error: Could not write to standard output: No space left on "
            "device\n");
}

// A non-blocking pipe that is full refuses a write for now: the program
// waits for room instead of taking it for a failure.
TEST(CliTest, FullNonBlockingOutputIsWaitedFor) {
  char path[] = "/tmp/quarrimel_cli_input_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::string input;
  for (int i = 0; i < 20000; ++i) input += "1 item" + std::to_string(i) + "\n";
  ASSERT_EQ(write(fd, input.data(), input.size()),
            static_cast<ssize_t>(input.size()));
  close(fd);
  CliRun run;
  run.args = {"-", "--di", "-t", "100", "--ap", "--hs"};
  run.stdin_file = path;
  const CliResult blocking = RunQuarrimel(run);
  run.nonblocking_stdout = true;
  run.stdout_delay_ms = 300;
  const CliResult result = RunQuarrimel(run);
  unlink(path);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_GT(result.out.size(), 65536u) << "more than a pipe holds";
  EXPECT_EQ(result.out, blocking.out);
}

// A pipe with room for only part of each write: write() takes some of the
// bytes, and the rest must follow, none lost and none sent twice.
TEST(CliTest, ShortWritesToStandardOutputLoseAndRepeatNothing) {
  std::string input;
  for (int i = 0; i < 20000; ++i) input += "1 item" + std::to_string(i) + "\n";
  CliRun run;
  run.args = {"-", "--di", "-t", "100", "--ap", "--hs"};
  run.input = input;
  const CliResult whole = RunQuarrimel(run);
  ASSERT_GT(whole.out.size(), 65536u) << "more than the program buffers";
  for (const bool nonblocking : {false, true}) {
    SCOPED_TRACE(nonblocking ? "non-blocking" : "blocking");
    run.nonblocking_stdout = nonblocking;
    run.stdout_pipe_bytes = 4096;
    run.stdout_read_bytes = 1000;
    const CliResult result = RunQuarrimel(run);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, whole.out);
  }
}

// Memory that runs out while the result is printed is reported as such, not
// as a failure of the search: one bin of a million names needs the names
// twice over while it is written.
TEST(CliTest, MemoryThatRunsOutWhilePrintingNamesThePrinting) {
  if (SanitizedBuild()) {
    GTEST_SKIP() << "the sanitizers reserve more address space than the "
                    "limit set here";
  }
  std::string input;
  input.reserve(43000000);
  for (int i = 0; i < 1000000; ++i) {
    input += "1 n" + std::to_string(10000000 + i) + std::string(32, 'x') + '\n';
  }
  CliRun run;
  run.args = {"-", "--di", "-t", "100000000", "--split", "--hi"};
  run.input = input;
  run.memory_limit = 120ul << 20;
  // Reading and searching fit within the limit: with the names hidden the
  // run succeeds.
  const CliResult hidden = RunQuarrimel(run);
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  run.args.pop_back();
  const CliResult listed = RunQuarrimel(run);
  EXPECT_EQ(listed.err, "\n> Error: Not enough memory to write the result\n");
  EXPECT_EQ(listed.status, 3);
  EXPECT_EQ(listed.out, "");
}

// A run that cannot get the memory it needs says so, with status 3, and
// prints no listing at all rather than a partial one.
TEST(CliTest, MemoryThatCannotBeHadIsReported) {
  if (SanitizedBuild()) {
    GTEST_SKIP() << "the sanitizers reserve more address space than the "
                    "limits set here";
  }
  constexpr unsigned long kMiB = 1 << 20;
  CliRun population;
  population.args = {"-", "--di", "-t", "100", "--ga-ps", "2000000000"};
  population.input = "60 a\n40 b\n";
  population.memory_limit = 1024 * kMiB;
  const CliResult refused = RunQuarrimel(population);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err,
            "\n> Error: Not enough memory for a population of 2000000000 "
            "individuals\n");
  EXPECT_EQ(refused.status, 3);

  CliRun large;
  large.args = {"-", "--di", "-t", "1000"};
  for (int i = 0; i < 1000000; ++i) {
    large.input +=
        std::to_string(1 + i % 97) + " item" + std::to_string(i) + "\n";
  }
  large.memory_limit = 40 * kMiB;
  const CliResult exhausted = RunQuarrimel(large);
  EXPECT_EQ(exhausted.out, "");
  EXPECT_EQ(exhausted.err.rfind("\n> Error: Not enough memory ", 0), 0u)
      << exhausted.err;
  EXPECT_EQ(exhausted.status, 3);
}

}  // namespace
