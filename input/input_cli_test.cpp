// SPDX-License-Identifier: GPL-3.0-or-later
// The input reader seen from outside: the built binary run on standard input,
// arguments and files in a temporary directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/cli_cases.h"
#include "testing/cli_runner.h"

namespace {

class InputCliTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "input_cli_XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    std::string command = "rm -rf '" + root_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  void MakeFile(const std::string& path, off_t size) {
    std::string full = root_ + "/" + path;
    int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
  }
  // Runs each case with the fixture's directory as the working directory.
  void RunCases(const std::vector<CliCase>& cases) {
    RunCliCases(cases, root_);
  }

  std::string root_;  // Absolute path of the fixture's directory.
};

const char kNothing[] = "\n> Error: No input to process\n";

TEST_F(InputCliTest, DirectInput) {
  // With --split and items above half the target, every item gets a bin of
  // its own, printed in acceptance order.
  const std::vector<std::string> split = {"--di", "--di-b",  "-t",
                                          "100",  "--split", "--hs"};
  auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> args = split;
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  RunCases({
      {"standard input first, then arguments", with({"-", "70 arg"}),
       "60 in\n80 in2", "in\n\nin2\n\narg\n", "", 0},
      {"no dash: standard input unread", with({"70 arg"}), "60 in\n", "arg\n",
       "", 0},
      {"empty standard input", with({"-"}), "", "", kNothing, 2},
      {"nothing at all", with({}), "", "", kNothing, 2},
      {"carriage return kept", with({"-"}), "60 a\r\n", "a\r\n", "", 0},
      {"filter and size messages", with({"--max", "50", "-"}),
       "101 both\n60 m\n\n  \nx y\n50 ok\n", "ok\n",
       "> [Ignoring] bigger than 'target'(100Bytes): both (101Bytes)\n"
       "> [Ignoring] bigger than '--max-size'(50Bytes): m (60Bytes)\n"
       "> [Ignoring] Could not get size of:   \n"
       "> [Ignoring] Could not get size of: x y\n",
       0},
      {"units from the options, then the block",
       {"--di", "--di-k", "-B", "1000", "-t", "1m", "--hs", "--ss", "-"},
       "1.5 a\n",
       "a\t1.95KiB\n",
       "",
       0},
      {"decimal units",
       {"--di", "--di-k", "--di-si", "-t", "1m", "--hs", "--ss", "-"},
       "1.5 a\n",
       "a\t1.46KiB\n",
       "",
       0},
      {"plain numbers",
       {"--di", "-t", "10", "--hs", "--ss", "-"},
       "2.5 a\n",
       "a\t2.5\n",
       "",
       0},
      {"whole listing",
       {"-", "--di", "--di-b", "-t", "100", "--approximate"},
       "60 a\n40 b\n30 c\n",
       "a\nb\n\n[1] 100Bytes/100Bytes of 130Bytes, Diff: 0Bytes, Items: 2/3\n"
       "\nc\n\n[2] 30Bytes/100Bytes of 130Bytes, Diff: 70Bytes, Items: 1/3\n",
       "",
       0},
  });
}

TEST_F(InputCliTest, ItemWithAPartThatCannotBeReadIsDropped) {
  // Packed without the folder it cannot enter, top would look ten times
  // smaller than it is and overfill its bin: it is dropped instead.
  ASSERT_EQ(chmod(root_.c_str(), 0755), 0);  // For the user nobody.
  ASSERT_EQ(mkdir((root_ + "/top").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root_ + "/top/inner").c_str(), 0755), 0);
  MakeFile("top/small", 1 << 20);
  MakeFile("top/inner/big", 10 << 20);
  MakeFile("other", 5);
  ASSERT_EQ(chmod((root_ + "/top/inner").c_str(), 0), 0);
  CliRun run;
  run.cwd = root_;
  run.args = {"-t", "100m", "--sb", "top", "other"};
  if (geteuid() == 0) {
    // Root passes every permission check: run as nobody instead.
    const char kSetpriv[] = "/usr/bin/setpriv";
    if (access(kSetpriv, X_OK) != 0) {
      GTEST_SKIP() << "runs as root, and without " << kSetpriv
                   << " cannot run the program as an unprivileged user";
    }
    run.binary = kSetpriv;
    run.args.insert(run.args.begin(), {"--reuid=65534", "--regid=65534",
                                       "--clear-groups", QuarrimelBinary()});
  }
  const CliResult result = RunQuarrimel(run);
  if (result.err.rfind("setpriv:", 0) == 0) {
    GTEST_SKIP() << "cannot become the user nobody: " << result.err;
  }
  EXPECT_EQ(result.err, "> Could not chdir to: " + root_ +
                            "/top/inner\n> [Ignoring] file/dir: top\n");
  EXPECT_EQ(result.out,
            "other\n\n[1] 5Bytes (5)/100.00MiB (104857600) of 5Bytes (5), "
            "Diff: 100.00MiB (104857595), Items: 1/1\n");
  EXPECT_EQ(result.status, 0);
}

TEST_F(InputCliTest, FileNames) {
  MakeFile("a b\nc", 5);
  MakeFile("d", 7);
  ASSERT_EQ(mkdir((root_ + "/dir").c_str(), 0755), 0);
  MakeFile("dir/e", 50);
  RunCases({
      {"NUL-separated names",
       {"-z", "-t", "1k", "--hs", "--ss", "-"},
       std::string("a b\nc\0d\0", 8),
       "a b\nc\t5Bytes\nd\t7Bytes\n",
       "",
       0},
      {"newline-separated names",
       {"-t", "1k", "--hs", "-"},
       "d\nd\n",
       "d\nd\n",
       "",
       0},
      {"empty name",
       {"-t", "1k", "-"},
       "\n",
       "",
       std::string("> Could not read: \n> [Ignoring] file/dir: \n") + kNothing,
       2},
      {"unknown option taken for a name",
       {"-t", "1k", "--bogus"},
       "",
       "",
       std::string("> Could not read: --bogus\n"
                   "> [Ignoring] file/dir: --bogus\n") +
           kNothing,
       2},
      {"relative name after a directory",
       {"-t", "1g", "--hi", "--hs", "dir", "d"},
       "",
       "",
       "",
       0},
      {"target below one block",
       {"-t", "0.5", "d"},
       "",
       "",
       std::string("> [Ignoring] bigger than 'target'(0Bytes): d (7Bytes)\n") +
           kNothing,
       2},
  });
}

TEST_F(InputCliTest, VerboseLineComesFirst) {
  MakeFile("d", 7);
  CliRun run;
  run.args = {"-v", "--split", "-t", "1k", "d"};
  run.cwd = root_;
  CliResult got = RunQuarrimel(run);
  EXPECT_EQ(got.out.rfind("> Reading from input... \n", 0), 0u) << got.out;
  EXPECT_EQ(got.status, 0);
}

TEST_F(InputCliTest, ReadErrorOnStandardInputEndsTheRun) {
  CliRun run;
  run.args = {"--di", "-t", "1k", "-", "5 a"};
  run.stdin_file = root_;  // A directory: read() fails.
  CliResult got = RunQuarrimel(run);
  EXPECT_EQ(got.out, "");
  EXPECT_EQ(got.err,
            "\n> Error: Could not read standard input: Is a directory\n");
  EXPECT_EQ(got.status, 3);
}

}  // namespace
