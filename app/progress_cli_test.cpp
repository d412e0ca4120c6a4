// SPDX-License-Identifier: GPL-3.0-or-later
// The progress line of the built binary, with standard error on a
// pseudo-terminal: it shows once reading has lasted a second, gives way to
// every message, is gone at the end, and changes nothing else.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "testing/cli_runner.h"
#include "testing/terminal.h"

namespace {

// Longer than the second a phase lasts before its line shows.
constexpr std::chrono::milliseconds kPastTheDelay(1200);
// Longest a test waits for the program to take its input or show the line.
constexpr int kTimeoutMs = 10000;

// A folder with two files of 10 and 20 bytes, removed at the end.
class Fixture {
 public:
  Fixture() {
    char pattern[] = "/tmp/quarrimel_progress_XXXXXX";
    dir_ = mkdtemp(pattern);
    std::ofstream(dir_ + "/f1") << std::string(10, 'x');
    std::ofstream(dir_ + "/f2") << std::string(20, 'x');
  }
  ~Fixture() {
    unlink((dir_ + "/f1").c_str());
    unlink((dir_ + "/f2").c_str());
    rmdir(dir_.c_str());
  }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

// Writes `first`, and `second` once reading has lasted past the delay.
void WriteSlowly(TerminalRun& run, const std::string& first,
                 const std::string& second) {
  run.Write(first);
  // Reading has begun once the first record is taken: only then does the
  // second count.
  ASSERT_TRUE(run.WaitUntilRead(kTimeoutMs));
  std::this_thread::sleep_for(kPastTheDelay);
  run.Write(second);
}

TEST(ProgressCliTest, LineGivesWayToMessagesAndLeavesOnlyThem) {
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string first;   // Written at once.
    std::string second;  // Written a second later: shows the line.
    std::string rest;    // Written once the line is there.
    const char* line;    // As drawn; null when no line may show.
  } cases[] = {
      {"no message: erased at the end",
       {"-", "--di", "-t", "1000"},
       "100 a\n",
       "200 b\n",
       "300 c\n",
       "\rReading: 2 records, 300\033[K"},
      {"warnings after the line",
       {"-", "--di", "-t", "1000"},
       "100 a\n",
       "200 b\n",
       "x y\n300 c\n5000 big\n",
       "\rReading: 2 records, 300\033[K"},
      {"file names, one unreadable",
       {"-", "-t", "1k"},
       "f1\n",
       "f2\n",
       "missing\n",
       "\rMeasuring: 2 files, 30Bytes\033[K"},
      {"nothing accepted: warnings, then an error",
       {"-", "--di", "-t", "10"},
       "100 a\n",
       "200 b\n",
       "",
       "\rReading: 2 records, 300\033[K"},
      {"--verbose keeps it off",
       {"-", "--di", "-t", "1000", "-v"},
       "100 a\n",
       "200 b\n",
       "300 c\n",
       nullptr},
  };
  const Fixture fixture;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TerminalRun run(c.args, fixture.dir());
    WriteSlowly(run, c.first, c.second);
    if (c.line != nullptr) {
      EXPECT_TRUE(run.WaitFor(c.line, kTimeoutMs));
    }
    run.Write(c.rest);
    const CliResult shown = run.Finish();

    CliRun piped;
    piped.args = c.args;
    piped.input = c.first + c.second + c.rest;
    piped.cwd = fixture.dir();
    const CliResult plain = RunQuarrimel(piped);
    EXPECT_EQ(shown.out, plain.out);
    EXPECT_EQ(shown.status, plain.status);
    // Erased before each message and at the end: the terminal keeps exactly
    // what standard error holds without a terminal.
    EXPECT_EQ(Screen(shown.err), plain.err) << shown.err;
    if (c.line == nullptr) {
      EXPECT_EQ(shown.err.find("\033["), std::string::npos) << shown.err;
    }
  }
}

// Standard error is a pipe: however long the run lasts, no line, no escape
// sequence reaches it. A search of endless generations is stopped by an
// alarm well past the line's delay.
TEST(ProgressCliTest, NoLineWhenStandardErrorIsNoTerminal) {
  std::string input;
  for (int k = 0; k < 300; ++k) {
    input +=
        std::to_string(20 + (k * 37) % 81) + " i" + std::to_string(k) + "\n";
  }
  CliRun run;
  run.args = {"-", "--di", "-t", "150", "--ga-ng", "2000000000"};
  run.input = input;
  run.timeout_seconds = 3;
  const CliResult result = RunQuarrimel(run);
  EXPECT_EQ(result.status, 128 + SIGALRM) << "the search ended on its own";
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "");
}

TEST(ProgressCliTest, InterruptedRunLeavesNoLine) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    TerminalRun run({"-", "--di", "-t", "1000"});
    WriteSlowly(run, "100 a\n", "200 b\n");
    ASSERT_TRUE(run.WaitFor("Reading: 2 records", kTimeoutMs));
    run.Signal(signal);
    const CliResult shown = run.Finish();
    EXPECT_EQ(shown.status, 128 + signal);  // Still ended by the signal.
    EXPECT_EQ(Screen(shown.err), "") << shown.err;
  }
}

}  // namespace
