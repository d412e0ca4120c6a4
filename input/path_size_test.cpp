// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/path_size.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string CurrentDir() {
  std::vector<char> buffer(1 << 16);
  return getcwd(buffer.data(), buffer.size()) ? buffer.data() : "";
}

// Sends std::cerr into a string while in scope.
class CerrCapture {
 public:
  CerrCapture() : old_(std::cerr.rdbuf(text_.rdbuf())) {}
  ~CerrCapture() { std::cerr.rdbuf(old_); }
  std::string text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  std::streambuf* old_;
};

// Removes `name` below the directory `parent_fd` with everything in it,
// through descriptors, so trees whose paths are too long for one system call
// go too.
void RemoveTreeAt(int parent_fd, const char* name) {
  if (unlinkat(parent_fd, name, 0) == 0) return;
  // A directory the test locked; if it cannot be unlocked, openat() fails
  // below and the removal gives up on it.
  const int unlocked = fchmodat(parent_fd, name, 0700, 0);
  (void)unlocked;
  int fd = openat(parent_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return;
  DIR* dir = fdopendir(fd);
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    std::string entry_name = entry->d_name;
    if (entry_name != "." && entry_name != "..") names.push_back(entry_name);
  }
  for (const std::string& entry_name : names) {
    RemoveTreeAt(dirfd(dir), entry_name.c_str());
  }
  closedir(dir);
  unlinkat(parent_fd, name, AT_REMOVEDIR);
}

// "du -s --apparent-size -B1" of `path`: the sum of st_size over the tree.
bool DuApparentBytes(const std::string& path, uint64_t& bytes) {
  std::string command = "du -s --apparent-size -B1 '" + path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  unsigned long long value = 0;
  bool ok = fscanf(pipe, "%llu", &value) == 1;
  ok = pclose(pipe) == 0 && ok;
  bytes = value;
  return ok;
}

uint64_t OwnSize(const std::string& path) {
  struct stat info;
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return static_cast<uint64_t>(info.st_size);
}

// Test-side block rounding, for sizes the file system decides (directories).
uint64_t Blocks(uint64_t bytes, uint64_t block) {
  return bytes == 0 ? block : (bytes + block - 1) / block * block;
}

TEST(RoundToBlockTest, RoundsUpToWholeBlocks) {
  struct {
    uint32_t block;
    uint64_t bytes;
    uint64_t rounded;
  } cases[] = {
      {1, 0, 1},
      {1, 5, 5},
      {1024, 0, 1024},
      {1024, 1, 1024},
      {1024, 1024, 1024},
      {1024, 1025, 2048},
      {1000, 1500, 2000},
      {2147483647, 2147483648u, 4294967294u},
      {1, UINT64_MAX, UINT64_MAX},
      {3, UINT64_MAX, UINT64_MAX},  // Already a multiple of 3.
  };
  for (const auto& c : cases) {
    roundingBlock = c.block;
    uint64_t checked = 0;
    EXPECT_TRUE(RoundToBlockChecked(c.bytes, checked));
    EXPECT_EQ(checked, c.rounded) << c.block << " " << c.bytes;
    EXPECT_EQ(RoundToBlock(c.bytes), c.rounded) << c.block << " " << c.bytes;
  }
  roundingBlock = 1;
}

TEST(RoundToBlockTest, CountBeyond64BitsIsRefusedOrSaturates) {
  struct {
    uint32_t block;
    uint64_t bytes;
  } cases[] = {
      {1024, UINT64_MAX - 5},
      {4096, 18446744073709549568u},  // 2^64 - 2048: rounds to exactly 2^64.
      {2147483647, UINT64_MAX - 1},
  };
  for (const auto& c : cases) {
    roundingBlock = c.block;
    uint64_t rounded = 0;
    EXPECT_FALSE(RoundToBlockChecked(c.bytes, rounded)) << c.block;
    // Never wraps around to a small count.
    EXPECT_EQ(RoundToBlock(c.bytes), UINT64_MAX) << c.block;
  }
  roundingBlock = 1;
}

// These tests do real disk accesses in a temporary directory, which is also
// the working directory while they run.
class PathSizeTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "path_size_XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    root_ = pattern;
    // Lets an unprivileged user reach the fixture.
    ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
    start_ = CurrentDir();
    ASSERT_EQ(chdir(root_.c_str()), 0);
    roundingBlock = 1;
  }
  void TearDown() override {
    roundingBlock = 1;
    EXPECT_EQ(chdir(start_.c_str()), 0);
    std::size_t slash = root_.rfind('/');
    int parent = open(root_.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY);
    RemoveTreeAt(parent, root_.c_str() + slash + 1);
    close(parent);
  }

  void MakeFile(const std::string& path, off_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
  }
  void MakeDir(const std::string& path, mode_t mode = 0755) {
    ASSERT_EQ(mkdir(path.c_str(), mode), 0) << path;
  }
  void MakeLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
  }

  // PathSize with its messages in `err`; the working directory must be the
  // same afterwards, whatever happened.
  uint64_t Measure(const std::string& path, std::string* err = nullptr) {
    const std::string before = CurrentDir();
    uint64_t size = 0;
    {
      CerrCapture capture;
      size = PathSize(path);
      if (err != nullptr) *err = capture.text();
    }
    EXPECT_EQ(CurrentDir(), before) << "after measuring " << path;
    return size;
  }

  std::string root_;   // The fixture's directory, absolute.
  std::string start_;  // Working directory before the test.
};

TEST_F(PathSizeTest, FileIsRoundedUpToBlock) {
  struct {
    off_t bytes;
    uint32_t block;
    uint64_t expected;
  } cases[] = {
      {0, 1, 1},  // An empty file still takes a block.
      {0, 1024, 1024},
      {1, 1024, 1024},
      {1024, 1024, 1024},
      {2000, 1024, 2048},
      {5, 1, 5},
      // Sparse: the length counts, not the blocks allocated.
      {(off_t{1} << 40) + 1, 4096, (uint64_t{1} << 40) + 4096},
  };
  for (const auto& c : cases) {
    MakeFile("f", c.bytes);
    roundingBlock = c.block;
    std::string err;
    EXPECT_EQ(Measure("f", &err), c.expected) << c.bytes << " " << c.block;
    EXPECT_EQ(err, "");
  }
}

TEST_F(PathSizeTest, DirectoryCountsItsOwnSizeAndEachEntryRounded) {
  MakeDir("d");
  MakeFile("d/one", 1);
  MakeFile("d/big", 2000);
  // Only "." and ".." themselves are skipped, not every name with dots.
  MakeFile("d/..notes", 3000);
  MakeFile("d/.hidden", 1);
  MakeFile("d/...", 1);
  roundingBlock = 1024;
  EXPECT_EQ(Measure("d"),
            Blocks(OwnSize("d"), 1024) + 1024 + 2048 + 3072 + 1024 + 1024);
}

TEST_F(PathSizeTest, EmptyDirectoryIsItsOwnSizeRounded) {
  MakeDir("empty");
  roundingBlock = 512;
  EXPECT_EQ(Measure("empty"), Blocks(OwnSize("empty"), 512));
}

TEST_F(PathSizeTest, SymbolicLinksAreMeasuredAsLinks) {
  MakeDir("target");
  MakeFile("target/huge", 1 << 20);
  MakeLink("target", "link");  // A 6-byte link.
  MakeDir("d");
  MakeLink("../target", "d/up");  // 9 bytes; not followed inside a walk.
  EXPECT_EQ(Measure("link"), 6u);
  EXPECT_EQ(Measure("d"), OwnSize("d") + 9);
  MakeLink("nowhere", "dangling");
  EXPECT_EQ(Measure("dangling"), 7u);
}

TEST_F(PathSizeTest, HardLinksCountOncePerLink) {
  MakeDir("d");
  MakeFile("d/a", 100);
  ASSERT_EQ(link("d/a", "d/b"), 0);
  roundingBlock = 1024;
  EXPECT_EQ(Measure("d"), Blocks(OwnSize("d"), 1024) + 2 * 1024);
}

TEST_F(PathSizeTest, ThreeLevelTreeEqualsApparentSizeOfDu) {
  MakeDir("t");
  MakeFile("t/a", 10);
  MakeDir("t/b");
  MakeFile("t/b/c", 200);
  MakeLink("c", "t/b/l");
  MakeDir("t/b/d");
  MakeFile("t/b/d/e", 3000);
  MakeFile("t/b/d/f", 1);
  std::string err;
  uint64_t size = Measure("t", &err);
  EXPECT_EQ(err, "");
  uint64_t du = 0;
  if (!DuApparentBytes(root_ + "/t", du)) GTEST_SKIP() << "du did not run";
  EXPECT_EQ(size, du);
  // The same tree named by its absolute path, and with a trailing slash.
  EXPECT_EQ(Measure(root_ + "/t"), du);
  EXPECT_EQ(Measure("t/"), du);
}

TEST_F(PathSizeTest, UnreadableNamesAreReportedAndMeasureZero) {
  MakeFile("f", 3);
  struct {
    std::string path;
    std::string err;
  } cases[] = {
      {"missing", "> Could not read: missing\n"},
      {"", "> Could not read: \n"},
      {"f/below", "> Could not read: f/below\n"},
      // Must not measure "f" under another name.
      {std::string("f\0x", 3), std::string("> Could not read: f\0x\n", 22)},
  };
  for (const auto& c : cases) {
    std::string err;
    EXPECT_EQ(Measure(c.path, &err), 0u) << c.path;
    EXPECT_EQ(err, c.err);
  }
}

// Makes `count` nested directories named `name` below `base`, through
// descriptors so that the paths may exceed the system's limit. Returns a
// descriptor of the innermost one.
int MakeChain(const std::string& base, const std::string& name, int count) {
  int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < count && fd >= 0; ++i) {
    mkdirat(fd, name.c_str(), 0755);
    int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  return fd;
}

void MakeFileAt(int dir_fd, const char* name, off_t size) {
  int fd = openat(dir_fd, name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << name;
  ASSERT_EQ(ftruncate(fd, size), 0);
  close(fd);
}

TEST_F(PathSizeTest, TreeDeeperThanThePathLimitIsMeasuredInFull) {
  const std::string name(200, 'n');
  MakeDir("deep");
  int middle = MakeChain(root_ + "/deep", name, 12);
  ASSERT_GE(middle, 0);
  MakeFileAt(middle, "m", 777);
  close(middle);
  // 30 levels of 201 bytes: the innermost paths pass 6000 bytes.
  std::string rest;
  for (int i = 0; i < 12; ++i) rest += "/" + name;
  int bottom = MakeChain(root_ + "/deep" + rest, name, 18);
  ASSERT_GE(bottom, 0);
  MakeFileAt(bottom, "b", 12345);
  close(bottom);

  std::string err;
  uint64_t size = Measure("deep", &err);
  EXPECT_EQ(err, "");
  uint64_t du = 0;
  if (!DuApparentBytes(root_ + "/deep", du)) GTEST_SKIP() << "du did not run";
  EXPECT_EQ(size, du);
  EXPECT_GT(size, 777u + 12345u);
}

TEST_F(PathSizeTest, FailureAfterEnteringRestoresWorkingDirectory) {
  // The working directory's path takes 2800 bytes or so; the directory named
  // below it, relative and short enough to enter, lies beyond 4095.
  const std::string name(200, 'w');
  int deep = MakeChain(root_, name, 14);
  ASSERT_GE(deep, 0);
  ASSERT_EQ(fchdir(deep), 0);
  close(deep);
  MakeFile("f", 3);
  std::string relative;
  for (int i = 0; i < 7; ++i) relative += (i ? "/" : "") + name;
  close(MakeChain(".", name, 7));

  std::string err;
  EXPECT_EQ(Measure(relative, &err), 0u);
  EXPECT_EQ(err, "> Path name too long; maximum 4095 chars.\n");
  // A relative name that follows is looked up where the run started.
  EXPECT_EQ(Measure("f", &err), 3u);
  EXPECT_EQ(err, "");
}

// What measuring one path gave, in a process of its own.
struct Measurement {
  uint64_t size = 0;
  std::string err;
  bool same_dir = false;  // Was the working directory restored?
};

// Measures each path as the user nobody, in a child process, since the
// permission bits do not stop root. False, with the reason, when no
// unprivileged user can be had.
bool MeasureUnprivileged(const std::vector<std::string>& paths,
                         std::vector<Measurement>& results,
                         std::string& why_not) {
  int out[2];
  if (pipe(out) != 0) return why_not = "pipe failed", false;
  pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    bool dropped = geteuid() != 0 || (setgroups(0, nullptr) == 0 &&
                                      setresgid(65534, 65534, 65534) == 0 &&
                                      setresuid(65534, 65534, 65534) == 0);
    std::ostringstream report;
    report << (dropped && access(".", X_OK) == 0) << "\n";
    for (const std::string& path : paths) {
      if (!dropped) break;
      std::string before = CurrentDir();
      std::ostringstream err;
      std::streambuf* old = std::cerr.rdbuf(err.rdbuf());
      uint64_t size = PathSize(path);
      std::cerr.rdbuf(old);
      report << size << " " << (CurrentDir() == before) << " "
             << err.str().size() << "\n"
             << err.str();
    }
    std::string text = report.str();
    ssize_t written = write(out[1], text.data(), text.size());
    _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  close(out[1]);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  std::istringstream report(text);
  bool dropped = false;
  if (!(report >> dropped) || !dropped) {
    why_not = "cannot run as the unprivileged user nobody (uid 65534)";
    return false;
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    Measurement m;
    std::size_t err_size = 0;
    report >> m.size >> m.same_dir >> err_size;
    report.get();
    m.err.resize(err_size);
    report.read(&m.err[0], static_cast<std::streamsize>(err_size));
    results.push_back(m);
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(PathSizeTest, AnythingUnreadableBelowDropsTheWholeItem) {
  // A tree measured in part would be packed smaller than it is, so each of
  // these measures 0, after the one message for what could not be read.
  MakeDir("locked");  // Cannot be entered.
  MakeFile("locked/x", 1000);
  MakeDir("noread");  // Can be entered, not listed.
  MakeFile("noread/y", 2000);
  MakeDir("a");
  MakeFile("a/f", 10);
  MakeDir("a/locked");
  MakeFile("a/locked/x", 1000);
  MakeDir("b");
  MakeFile("b/f", 10);
  MakeDir("b/open");
  MakeDir("b/open/noread");
  MakeFile("b/open/noread/y", 2000);
  for (const char* dir : {"locked", "a/locked"}) ASSERT_EQ(chmod(dir, 0), 0);
  for (const char* dir : {"noread", "b/open/noread"})
    ASSERT_EQ(chmod(dir, 0111), 0);
  MakeFile("after", 4);
  struct Case {
    const char* path;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"locked", "> Could not chdir to: locked\n"},
      {"noread", "> Could not open dir: " + root_ + "/noread\n"},
      {"a", "> Could not chdir to: " + root_ + "/a/locked\n"},
      {"b", "> Could not open dir: " + root_ + "/b/open/noread\n"},
  };
  std::vector<std::string> paths;
  for (const Case& c : cases) paths.push_back(c.path);
  paths.push_back("after");

  std::vector<Measurement> got;
  std::string why_not;
  if (!MeasureUnprivileged(paths, got, why_not)) GTEST_SKIP() << why_not;
  ASSERT_EQ(got.size(), paths.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].path);
    EXPECT_EQ(got[i].size, 0u);
    EXPECT_EQ(got[i].err, cases[i].err);
  }
  // After every failure the next relative name is still found.
  EXPECT_EQ(got.back().size, 4u);
  EXPECT_EQ(got.back().err, "");
  for (const Measurement& m : got) EXPECT_TRUE(m.same_dir);
}

}  // namespace
