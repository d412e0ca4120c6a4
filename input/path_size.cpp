// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/path_size.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/progress.h"
#include "base/warning.h"

uint32_t roundingBlock = 1;

namespace {

// getcwd() gets a buffer of this many bytes, its terminating NUL included.
constexpr std::size_t kMaxPath = 4095;

void Report(const char* what, const std::string& path) { Warn(what + path); }

void ReportPathTooLong() {
  Warn("Path name too long; maximum " + std::to_string(kMaxPath) + " chars.");
}

// Sizes of sparse files can reach 2^63 each, so a sum could wrap around and
// make a huge tree look small; saturating keeps it too big to pack instead.
uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

// Every file and directory measured passes here once.
uint64_t RoundedSize(const struct stat& info, ProgressObserver& progress) {
  const uint64_t size = RoundToBlock(static_cast<uint64_t>(info.st_size));
  progress.Measured(static_cast<double>(size));
  return size;
}

// False when getcwd() fails, whatever the cause.
bool CurrentDirectory(std::string& path) {
  char buffer[kMaxPath];
  if (getcwd(buffer, sizeof buffer) == nullptr) return false;
  path = buffer;
  return true;
}

// Closes a directory stream whatever way its scope is left.
struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' &&
         (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Records the working directory, and changes back to it with Leave() once
// Enter() has left it. An exception that passes by on its way to main()
// changes back too, as well as it can.
class ScopedWorkingDir {
 public:
  ScopedWorkingDir() : ok_(CurrentDirectory(start_)) {}
  ~ScopedWorkingDir();
  ScopedWorkingDir(const ScopedWorkingDir&) = delete;
  ScopedWorkingDir& operator=(const ScopedWorkingDir&) = delete;
  // False if getcwd() failed; the caller must not Enter() then.
  bool ok() const { return ok_; }
  // Changes to `path`; false if chdir() failed.
  [[nodiscard]] bool Enter(const std::string& path);
  // Changes back to the recorded directory. If that fails, every relative
  // name still to come would be looked up in the wrong place, and could
  // measure some other file of the same name: that ends the run.
  void Leave();

 private:
  std::string start_;     // Absolute path from getcwd().
  bool ok_;               // Was start_ recorded?
  bool entered_ = false;  // Has Enter() changed the working directory?
};

ScopedWorkingDir::~ScopedWorkingDir() {
  // Only an exception on its way to main() gets here with the directory
  // still entered. It ends the run, so a failure to change back has nothing
  // left to mislead, and there is no one to tell: the result is ignored.
  if (!entered_) return;
  const int ignored = chdir(start_.c_str());
  (void)ignored;
}

void ScopedWorkingDir::Leave() {
  if (!entered_) return;
  if (chdir(start_.c_str()) != 0) {
    throw E_SystemFailure("Could not return to the starting directory %s: %s",
                          start_.c_str(), std::strerror(errno));
  }
  entered_ = false;
}

bool ScopedWorkingDir::Enter(const std::string& path) {
  assert(ok_);
  entered_ = chdir(path.c_str()) == 0;
  return entered_;
}

// Sums the rounded sizes of everything below the working directory, depth
// first in readdir() order. Each subdirectory is entered by its bare name and
// left again with "..", and the walk keeps its own stack instead of
// recursing, so neither the length of the paths nor the depth of the tree
// limits it; the composed path serves only the messages. Anything below
// that cannot be measured ends the walk as incomplete: a tree measured in
// part looks smaller than it is and could overfill the bin it is packed
// into, so the caller drops the whole item instead.
class TreeWalker {
 public:
  // `path` is the working directory's absolute path.
  TreeWalker(std::string path, ProgressObserver& progress)
      : path_(std::move(path)), progress_(progress) {}
  TreeWalker(const TreeWalker&) = delete;
  TreeWalker& operator=(const TreeWalker&) = delete;

  uint64_t Walk();
  // False when the sum leaves out part of the tree: an entry could not be
  // read, a directory could not be entered, opened or listed in full, or
  // changing back to a parent failed and the names still to measure could
  // no longer be found. The walk stops there, in whatever directory it had
  // reached.
  bool complete() const { return complete_; }

 private:
  struct Level {
    std::string names;            // Entry names, each followed by a NUL.
    std::size_t next = 0;         // Offset of the next name to measure.
    std::size_t path_length = 0;  // Length of path_ while in this directory.
  };

  // Lists the working directory as the new innermost level; false if it
  // could not be opened or read.
  bool Open();
  // Rounded size of one entry; a directory is entered, to be walked next.
  uint64_t MeasureEntry(const char* name);
  void Descend(const char* name);
  void Ascend();
  void ChangeToParent();

  std::string path_;            // Path of the innermost directory.
  std::vector<Level> levels_;   // Directories being walked, innermost last.
  bool complete_ = true;        // Has everything so far been measured?
  ProgressObserver& progress_;  // Told of each entry measured.
};

uint64_t TreeWalker::Walk() {
  uint64_t sum = 0;
  if (!Open()) return 0;
  while (!levels_.empty() && complete_) {
    Level& level = levels_.back();
    if (level.next == level.names.size()) {
      Ascend();
      continue;
    }
    const char* name = level.names.c_str() + level.next;
    level.next += std::strlen(name) + 1;
    sum = SaturatingAdd(sum, MeasureEntry(name));
  }
  return sum;
}

bool TreeWalker::Open() {
  const DirHandle dir(opendir("."));
  if (dir == nullptr) {
    Report("Could not open dir: ", path_);
    complete_ = false;
    return false;
  }
  // The names are copied out so that only one directory is open at a time,
  // however deep the walk goes.
  Level level;
  level.path_length = path_.size();
  for (;;) {
    errno = 0;  // readdir() tells an error from the end only by errno.
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) break;
    if (IsDotOrDotDot(entry->d_name)) continue;
    level.names.append(entry->d_name);
    level.names.push_back('\0');
  }
  if (errno != 0) {
    Report("Could not read: ", path_);
    complete_ = false;
    return false;
  }
  levels_.push_back(std::move(level));
  return true;
}

uint64_t TreeWalker::MeasureEntry(const char* name) {
  struct stat info;
  if (lstat(name, &info) != 0) {
    Report("Could not read: ", name);
    complete_ = false;
    return 0;
  }
  if (S_ISDIR(info.st_mode)) Descend(name);
  return RoundedSize(info, progress_);
}

// `name` points into the innermost level, which Open() may move: it is not
// used once Open() has been called. A failure stops the walk where it is.
void TreeWalker::Descend(const char* name) {
  path_.append("/").append(name);
  if (chdir(name) != 0) {
    Report("Could not chdir to: ", path_);
    complete_ = false;
    return;
  }
  Open();
}

void TreeWalker::Ascend() {
  levels_.pop_back();
  if (levels_.empty()) return;  // The caller restores its own directory.
  ChangeToParent();
  path_.resize(levels_.back().path_length);
}

void TreeWalker::ChangeToParent() {
  if (chdir("..") == 0) return;
  Report("Could not chdir to: ", path_ + "/..");
  complete_ = false;
}

// Sum of everything below the working directory, whose absolute path is
// `path`. False when the sum leaves out part of the tree.
[[nodiscard]] bool WalkDirectory(const std::string& path, uint64_t& sum,
                                 ProgressObserver& progress) {
  TreeWalker walker(path, progress);
  sum = walker.Walk();
  return walker.complete();
}

// Size of the directory just entered and everything below it, or 0.
uint64_t EnteredDirectorySize(ProgressObserver& progress) {
  std::string absolute;
  if (!CurrentDirectory(absolute)) {
    ReportPathTooLong();
    return 0;
  }
  struct stat info;
  if (lstat(absolute.c_str(), &info) != 0) {
    Report("Could not read dir: ", absolute);
    return 0;
  }
  uint64_t below = 0;
  if (!WalkDirectory(absolute, below, progress)) return 0;
  return SaturatingAdd(RoundedSize(info, progress), below);
}

uint64_t DirectorySize(const std::string& path, ProgressObserver& progress) {
  ScopedWorkingDir start;
  if (!start.ok()) {
    ReportPathTooLong();
    return 0;
  }
  if (!start.Enter(path)) {
    Report("Could not chdir to: ", path);
    return 0;
  }
  const uint64_t size = EnteredDirectorySize(progress);
  start.Leave();
  return size;
}

}  // namespace

bool RoundToBlockChecked(uint64_t bytes, uint64_t& rounded) {
  assert(roundingBlock >= 1);
  if (bytes == 0) {
    rounded = roundingBlock;
    return true;
  }
  const uint64_t remainder = bytes % roundingBlock;
  if (remainder == 0) {
    rounded = bytes;
    return true;
  }
  const uint64_t gap = roundingBlock - remainder;
  if (bytes > UINT64_MAX - gap) return false;
  rounded = bytes + gap;
  return true;
}

uint64_t RoundToBlock(uint64_t bytes) {
  uint64_t rounded = 0;
  return RoundToBlockChecked(bytes, rounded) ? rounded : UINT64_MAX;
}

uint64_t PathSize(const std::string& path, ProgressObserver& progress) {
  struct stat info;
  // lstat() would see only the part of a name before a NUL byte, and measure
  // some other file under this name.
  if (path.find('\0') != std::string::npos || lstat(path.c_str(), &info) != 0) {
    Report("Could not read: ", path);
    return 0;
  }
  if (!S_ISDIR(info.st_mode)) return RoundedSize(info, progress);
  return DirectorySize(path, progress);
}
