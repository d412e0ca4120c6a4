// SPDX-License-Identifier: GPL-3.0-or-later
// Fault sweeps: for a small run that walks a tree and for a direct-input run,
// the Nth call of one system function is made to fail, for every N the run
// reaches. Each outcome must be one a user can trust: the run succeeds with
// the failed item reported and left out, or it ends with a clear error and a
// non-zero status. Never a crash, a hang, a listing that claims success after
// a failed write, a size counted twice or kept after part of a tree could not
// be read, or names looked up in a directory the run wandered into.
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/cli_runner.h"

#ifndef QUARRIMEL_FAULT_LIBRARY
#error "QUARRIMEL_FAULT_LIBRARY must name the fault injection library"
#endif

namespace {

namespace fs = std::filesystem;

// Well above the calls of the runs below (a few hundred allocations); a sweep
// that reaches it has lost its end.
constexpr long kMostCalls = 20000;
constexpr unsigned kTimeoutSeconds = 20;

enum class Scenario { kTree, kDirect };

enum class Outcome {
  kClean,     // Status 0, the clean run's output, nothing on stderr.
  kReported,  // Status 0, the failure reported and its item left out.
  kError,     // A "> Error: " message and a non-zero status.
};

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kClean:
      return "clean";
    case Outcome::kReported:
      return "reported";
    case Outcome::kError:
      return "error";
  }
  return "?";
}

struct SweepRow {
  const char* function;
  int error;  // errno of the failing call.
  Scenario scenario;
  std::set<Outcome> allowed;
  // For kError: the whole error line after "> Error: ", or only its start
  // when it ends with '*'.
  const char* error_text;
};

// A tree of a few directories and files, and the names of one run over it:
// "tree" from standard input, then the directory "other" and the file "file"
// as arguments, so that names are looked up after a walk has been made.
class Fixture {
 public:
  Fixture() {
    char dir[] = "/tmp/quarrimel_faults_XXXXXX";
    if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp");
    base_ = dir;
    root_ = base_ / "root";
    for (const char* d : {"tree/sub/deeper", "tree/sub2", "other"})
      fs::create_directories(root_ / d);
    File("tree/f1", 100);
    File("tree/sub/f2", 1000);
    File("tree/sub/deeper/f3", 10000);
    File("tree/sub2/f4", 3000);
    File("other/f5", 200);
    File("file", 50);
  }
  ~Fixture() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
  }
  std::string root() const { return root_.string(); }
  std::string log() const { return (base_ / "fault.log").string(); }

 private:
  void File(const char* name, std::size_t size) {
    std::ofstream(root_ / name) << std::string(size, 'x');
  }
  fs::path base_, root_;
};

CliRun ScenarioRun(Scenario scenario, const Fixture& fixture) {
  CliRun run;
  if (scenario == Scenario::kTree) {
    run.args = {"-", "other", "file", "-t", "1g", "--ss", "--sb", "--ap"};
    run.input = "tree\n";
    run.cwd = fixture.root();
  } else {
    run.args = {"-", "--di", "-t", "100", "--ss", "-v", "70 d"};
    run.input = "60 a\n40 b\n30 c\n";
  }
  run.timeout_seconds = kTimeoutSeconds;
  return run;
}

// Item name to its size in bytes, from a listing made with --ss --sb, and
// the total from the summary line. Plain sizes (direct input) have no byte
// count in parentheses; their text is taken as it stands.
struct Listing {
  std::map<std::string, std::string> items;
  std::string total;
};

std::string Between(const std::string& text, const std::string& open,
                    char close, std::size_t from = 0) {
  const std::size_t start = text.find(open, from);
  if (start == std::string::npos) return "";
  const std::size_t begin = start + open.size();
  return text.substr(begin, text.find(close, begin) - begin);
}

Listing ParseListing(const std::string& out) {
  Listing listing;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line[0] == '[') {
      listing.total = Between(line, " of ", ',');
      continue;
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const std::string size = line.substr(tab + 1);
    const std::string bytes = Between(size, "(", ')');
    listing.items[line.substr(0, tab)] = bytes.empty() ? size : bytes;
  }
  return listing;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The messages by which a walk reports what it could not measure.
const char* const kCauses[] = {
    "> Could not read: ",
    "> Could not read dir: ",
    "> Could not chdir to: ",
    "> Could not open dir: ",
    "> Path name too long; maximum 4095 chars.",
};
const char kIgnored[] = "> [Ignoring] file/dir: ";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The last "> Error: " line is the row's: whole, or up to its '*'.
void CheckErrorLine(const SweepRow& row, const std::string& err) {
  const std::string expected = std::string("\n> Error: ") + row.error_text;
  const std::size_t at = err.rfind("\n> Error: ");
  ASSERT_NE(at, std::string::npos) << err;
  const std::string last = err.substr(at);
  if (expected.back() == '*') {
    EXPECT_TRUE(StartsWith(last, expected.substr(0, expected.size() - 1)))
        << err;
  } else {
    EXPECT_EQ(last, expected + "\n");
  }
}

// A run that went on after a failure: exactly one cause reported, the item
// it cost reported as ignored, and every item listed at its whole size as in
// the clean run (an item measured in part would be packed too small), and
// summed right.
void CheckReported(const CliResult& clean, const CliResult& result,
                   const std::string& injected) {
  const Listing before = ParseListing(clean.out);
  const Listing after = ParseListing(result.out);
  int causes = 0;
  std::set<std::string> ignored;
  for (const std::string& line : Lines(result.err)) {
    if (StartsWith(line, kIgnored)) {
      ignored.insert(line.substr(sizeof kIgnored - 1));
      continue;
    }
    bool known = false;
    for (const char* cause : kCauses) known = known || StartsWith(line, cause);
    EXPECT_TRUE(known) << "unexpected message: " << line;
    ++causes;
    // A top-level name can only fail through a call made on it: any other
    // cause means it was looked up in the wrong directory.
    for (const auto& [name, size] : before.items) {
      if (line == std::string("> Could not read: ") + name) {
        EXPECT_NE(injected.find(" " + name + "\n"), std::string::npos)
            << line << " after " << injected << ": working directory changed?";
      }
    }
  }
  EXPECT_EQ(causes, 1) << result.err;
  for (const auto& [name, size] : before.items) {
    const auto found = after.items.find(name);
    if (found == after.items.end()) {
      EXPECT_EQ(ignored.count(name), 1u) << name << " lost without a word";
      continue;
    }
    EXPECT_EQ(ignored.count(name), 0u) << name << " ignored yet listed";
    EXPECT_EQ(found->second, size) << name << " measured in part";
  }
  EXPECT_EQ(after.items.size() + ignored.size(), before.items.size());
  EXPECT_EQ(ignored.size(), 1u) << "a failure reported, yet nothing dropped";
  unsigned long long sum = 0;
  for (const auto& [name, size] : after.items) sum += std::stoull(size);
  EXPECT_EQ(Between(after.total, "(", ')'), std::to_string(sum));
}

// What one failed call led to; adds a test failure for anything a user
// could not trust.
Outcome Judge(const SweepRow& row, const CliResult& clean,
              const CliResult& result, const std::string& injected) {
  EXPECT_LT(result.status, 128) << "killed by a signal (crash or hang)";
  for (const char* sign : {"terminate called", "Sanitizer", "runtime error"})
    EXPECT_EQ(result.err.find(sign), std::string::npos) << result.err;
  if (result.status != 0) {
    CheckErrorLine(row, result.err);
    return Outcome::kError;
  }
  if (result.err.empty()) {
    EXPECT_EQ(result.out, clean.out) << "a silent change of the result";
    return Outcome::kClean;
  }
  CheckReported(clean, result, injected);
  return Outcome::kReported;
}

// LD_PRELOAD and what else the environment of a faulty run needs.
std::vector<std::string> PreloadSettings(const SweepRow& row) {
  const std::string library = QUARRIMEL_FAULT_LIBRARY;
#ifdef QUARRIMEL_ASAN_RUNTIME
  if (std::strcmp(row.function, "malloc") != 0) {
    // The sanitizer's runtime comes first, as it expects; its interceptors
    // forward to the fault library, which forwards to the C library.
    return {"LD_PRELOAD=" QUARRIMEL_ASAN_RUNTIME ":" + library};
  }
  // Allocations must reach the fault library before the runtime's own
  // operator new: the library goes first, and the runtime is told that this
  // order is meant.
  return {"LD_PRELOAD=" + library, "ASAN_OPTIONS=verify_asan_link_order=0"};
#else
  (void)row;
  return {"LD_PRELOAD=" + library};
#endif
}

void Sweep(const SweepRow& row) {
  Fixture fixture;
  CliRun run = ScenarioRun(row.scenario, fixture);
  const CliResult clean = RunQuarrimel(run);
  ASSERT_EQ(clean.status, 0) << clean.err;
  ASSERT_EQ(clean.err, "");
  std::map<Outcome, long> seen;
  long n = 1;
  for (; n <= kMostCalls; ++n) {
    std::remove(fixture.log().c_str());
    run.env = PreloadSettings(row);
    run.env.insert(run.env.end(),
                   {"QUARRIMEL_FAULT=" + std::string(row.function) + ":" +
                        std::to_string(n) + ":" + std::to_string(row.error),
                    "QUARRIMEL_FAULT_LOG=" + fixture.log()});
    const CliResult result = RunQuarrimel(run);
    const std::string injected = ReadFile(fixture.log());
    if (injected.empty()) {
      // The run no longer reaches call n: it must then be the clean run.
      EXPECT_EQ(result.status, 0) << result.err;
      EXPECT_EQ(result.out, clean.out);
      break;
    }
    SCOPED_TRACE(injected);
    const Outcome outcome = Judge(row, clean, result, injected);
    EXPECT_EQ(row.allowed.count(outcome), 1u)
        << "outcome " << OutcomeName(outcome) << "\nstdout:\n"
        << result.out << "stderr:\n"
        << result.err;
    ++seen[outcome];
    if (::testing::Test::HasFailure()) break;  // One report per row.
  }
  EXPECT_LE(n, kMostCalls) << "the sweep never ended";
  EXPECT_GT(n, 1) << "the run never called " << row.function;
  std::cout << "[ sweep    ] " << row.function << ": " << n - 1 << " calls;";
  for (const auto& [outcome, count] : seen)
    std::cout << " " << OutcomeName(outcome) << " " << count;
  std::cout << "\n";
}

const char kWriteError[] =
    "Could not write to standard output: Input/output error";
const char kReadError[] = "Could not read standard input: Input/output error";

void PrintTo(const SweepRow& row, std::ostream* out) {
  *out << row.function << " failing with errno " << row.error;
}

class FaultSweep : public ::testing::TestWithParam<SweepRow> {};

TEST_P(FaultSweep, EveryFailedCallEndsInATrustworthyOutcome) {
  Sweep(GetParam());
}

using O = Outcome;
constexpr int kEIO = 5, kENOMEM = 12, kEACCES = 13, kEMFILE = 24, kERANGE = 34;

const SweepRow kRows[] = {
    {"lstat", kEIO, Scenario::kTree, {O::kReported}, ""},
    {"opendir", kEMFILE, Scenario::kTree, {O::kReported}, ""},
    {"readdir", kEIO, Scenario::kTree, {O::kReported}, ""},
    // Failing to get back to where the run started leaves every later name
    // unresolvable: that one ends the run.
    {"chdir",
     kEACCES,
     Scenario::kTree,
     {O::kReported, O::kError},
     "Could not return to the starting directory *"},
    {"getcwd", kERANGE, Scenario::kTree, {O::kReported}, ""},
    {"read", kEIO, Scenario::kTree, {O::kError}, kReadError},
    {"write", kEIO, Scenario::kTree, {O::kError}, kWriteError},
    {"malloc",
     kENOMEM,
     Scenario::kTree,
     {O::kClean, O::kReported, O::kError},
     "Not enough memory *"},
    {"read", kEIO, Scenario::kDirect, {O::kError}, kReadError},
    {"write", kEIO, Scenario::kDirect, {O::kError}, kWriteError},
    {"malloc",
     kENOMEM,
     Scenario::kDirect,
     {O::kClean, O::kError},
     "Not enough memory *"},
};

std::string RowName(const ::testing::TestParamInfo<SweepRow>& info) {
  return std::string(info.param.function) +
         (info.param.scenario == Scenario::kTree ? "_tree" : "_direct");
}

INSTANTIATE_TEST_SUITE_P(Functions, FaultSweep, ::testing::ValuesIn(kRows),
                         RowName);

}  // namespace
