// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: standard-input records through the input reader. The first
// bytes choose the options (NUL or newline records, direct input and its
// unit, --min, --max, -B, the target, and whether standard input arrives
// all at once or in small pieces); the rest is standard input. Every
// accepted item must be packable: a finite size within the target and the
// limits, a whole number of blocks unless sizes are plain numbers; every
// record must be accepted, named as its record says, or refused with one of
// the documented messages.
//
// In file-name mode the records are measured on the file system, from a
// small tree made at start-up: names with a '/' and the name ".." are
// rewritten so that the fuzzer cannot walk out of that tree.
#include <fcntl.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "base/errors.h"
#include "base/params.h"
#include "fuzz/fuzz_support.h"
#include "input/input.h"

namespace {

// Option values the first bytes choose from.
const char* const kTargets[] = {"1",    "100", "1000.5", "4k",
                                "1.5m", "3g",  "2t",     "1e300"};
const char* const kLimits[] = {"1", "10", "0.5", "1k", "2k", "1m", "1e30", "x"};
const char* const kBlocks[] = {"1",    "2",    "512",     "1000",
                               "1024", "4096", "1000000", "2147483647"};
// Bytes per read() when standard input comes in pieces.
const std::size_t kPieces[] = {1, 2, 3, 7};
constexpr std::size_t kMaxPieces = 64;
const char* const kUnits[] = {nullptr,  "--di-b", "--di-k", "--di-m",
                              "--di-g", "--di-t", nullptr,  nullptr};

// Every refusal starts with this and goes on with one of kRefusals.
const char kIgnoring[] = "> [Ignoring] ";
const char* const kRefusals[] = {
    "Could not get size of: ",    "bigger than 'target'(",
    "bigger than '--max-size'(",  "0-sized input: ",
    "smaller than '--min-size'(", "file/dir: ",
};

std::string tree_root;  // The fixture tree; the working directory.
int stdin_file = -1;    // A memory file standing in for standard input.

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

void RemoveTree() {
  if (!tree_root.empty())
    nftw(tree_root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void WriteFile(const std::string& name, std::size_t bytes) {
  std::ofstream(name) << std::string(bytes, 'x');
}

// A few files and directories, including the names a walk gets wrong most
// easily, and a link to the root that must not be followed.
void MakeTree() {
  char pattern[] = "/tmp/quarrimel-fuzz-XXXXXX";
  if (mkdtemp(pattern) == nullptr) FuzzFail("cannot make the fixture tree");
  tree_root = pattern;
  std::atexit(RemoveTree);
  const std::string r = tree_root + '/';
  WriteFile(r + "a", 100);
  WriteFile(r + "b", 5000);
  WriteFile(r + "e", 0);
  WriteFile(r + "..notes", 7);
  WriteFile(r + "new\nline", 3);
  mkdir((r + "d").c_str(), 0755);
  WriteFile(r + "d/f", 1500);
  mkdir((r + "d/s").c_str(), 0755);
  WriteFile(r + "d/s/g", 70000);
  mkdir((r + "empty").c_str(), 0755);
  if (symlink("/", (r + "root").c_str()) != 0 ||
      symlink("a", (r + "link").c_str()) != 0) {
    FuzzFail("cannot make the fixture links");
  }
}

// Runs in the fixture tree while it lives, then returns to where the
// fuzzer was started, so that its own relative paths keep working.
class InTree {
 public:
  InTree() : start_(open(".", O_RDONLY | O_DIRECTORY)) {
    if (start_ < 0 || chdir(tree_root.c_str()) != 0) {
      FuzzFail("cannot enter the fixture tree");
    }
  }
  ~InTree() {
    if (fchdir(start_) != 0) FuzzFail("cannot leave the fixture tree");
    close(start_);
  }
  InTree(const InTree&) = delete;
  InTree& operator=(const InTree&) = delete;

 private:
  int start_;
};

// A crash inside a run leaves the working directory in the fixture tree,
// and libFuzzer writes the crashing input to a path relative to it: unless
// the command line says otherwise, point it at the starting directory.
void AnchorArtifacts(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "-artifact_prefix=", 17) == 0) return;
  }
  char start[4096];
  if (getcwd(start, sizeof start) == nullptr) return;
  static std::string flag = std::string("-artifact_prefix=") + start + '/';
  static std::vector<char*> args;
  args.assign(*argv, *argv + *argc);
  args.insert(args.begin() + 1, &flag[0]);
  args.push_back(nullptr);
  *argc += 1;
  *argv = args.data();
}

// Keeps file-name records inside the fixture tree.
void ConfineToTree(std::string& text, char delimiter) {
  for (char& c : text) {
    if (c == '/') c = '_';
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(delimiter, start);
    if (end == std::string::npos) end = text.size();
    if (text.compare(start, end - start, "..") == 0) text[start] = '_';
    start = end + 1;
  }
}

// Records as the reader splits them.
std::vector<std::string> SplitRecords(const std::string& text, char delimiter) {
  std::vector<std::string> records;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(delimiter, start);
    if (end == std::string::npos) end = text.size();
    records.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return records;
}

void SetStandardInput(const std::string& text) {
  if (ftruncate(stdin_file, 0) != 0 ||
      pwrite(stdin_file, text.data(), text.size(), 0) !=
          static_cast<ssize_t>(text.size()) ||
      lseek(stdin_file, 0, SEEK_SET) != 0 ||
      dup2(stdin_file, STDIN_FILENO) < 0) {  // It may be a socket since.
    FuzzFail("cannot fill standard input");
  }
}

// Standard input as a packet socket holding `text` in pieces of at least
// `piece` bytes: each read() returns one piece, so records reach the reader
// split across reads at places the input chooses, the same on every run.
void SetStandardInputInPieces(const std::string& text, std::size_t piece) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends) != 0) {
    FuzzFail("cannot make a socket for standard input");
  }
  // Few enough pieces to fit the socket's buffer without a second thread.
  piece = std::max(piece, text.size() / kMaxPieces + 1);
  for (std::size_t at = 0; at < text.size(); at += piece) {
    const std::size_t n = std::min(piece, text.size() - at);
    if (write(ends[1], text.data() + at, n) != static_cast<ssize_t>(n)) {
      FuzzFail("cannot fill standard input");
    }
  }
  if (close(ends[1]) != 0 || dup2(ends[0], STDIN_FILENO) < 0 ||
      close(ends[0]) != 0) {
    FuzzFail("cannot replace standard input");
  }
}

struct Options {
  std::vector<std::string> words{"quarrimel", "-"};
  bool null_data = false;
  bool direct = false;
  std::size_t piece = 0;  // Bytes per read(); 0 = all at once.
};

Options ChooseOptions(ByteReader& bytes) {
  Options o;
  const uint8_t mode = bytes.Next();
  const uint8_t values = bytes.Next();
  const uint8_t limits = bytes.Next();
  if (values & 64) o.piece = kPieces[limits >> 6];
  o.null_data = mode & 1;
  o.direct = mode & 2;
  if (o.null_data) o.words.push_back("-z");
  if (o.direct) o.words.push_back("--di");
  if (const char* unit = kUnits[(mode >> 2) & 7]) o.words.push_back(unit);
  if (mode & 32) o.words.push_back("--di-si");
  if (mode & 64) o.words.insert(o.words.end(), {"--min", kLimits[limits & 7]});
  if (mode & 128) {
    o.words.insert(o.words.end(), {"--max", kLimits[(limits >> 3) & 7]});
  }
  o.words.insert(o.words.end(), {"-B", kBlocks[values & 7], "-t",
                                 kTargets[(values >> 3) & 7]});
  return o;
}

// How far `size` lies from the nearest whole number of blocks.
double OffBlocks(double size, double block) {
  const double rest = std::fmod(size, block);
  return std::min(rest, block - rest);
}

// A byte count held in a double is exact up to 2^53; above, the nearest
// double to a whole number of blocks may miss it by this much.
double HalfUlp(double size) {
  return (std::nextafter(size, HUGE_VAL) - size) / 2;
}

void CheckItems(const Input& input, const Params& p) {
  double total = 0;
  for (const Item* item : input.items) {
    const double size = item->size;
    FUZZ_CHECK(std::isfinite(size) && size > 0, "size not finite and positive");
    FUZZ_CHECK(size <= p.target, "item bigger than the target");
    FUZZ_CHECK(size <= p.max_size && size >= p.min_size, "item beyond a limit");
    if (!p.plain_numbers) {
      FUZZ_CHECK(OffBlocks(size, p.block_size) <= HalfUlp(size),
                 "size not whole blocks");
    }
    total += size;
  }
  FUZZ_CHECK(total == input.totalSize, "total differs from the items' sum");
}

// The name a record gives its item: in file-name mode the record itself;
// in direct input the text after the one blank that ends the size token,
// or the token itself when nothing follows it.
std::string ExpectedName(const std::string& record, bool direct) {
  if (!direct) return record;
  const char blanks[] = " \t";
  const std::size_t first = record.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  const std::size_t blank = record.find_first_of(blanks, first);
  if (blank == std::string::npos) return record.substr(first);
  return record.substr(blank + 1);
}

// The items carry their records' names, in the order of the records.
void CheckNames(const Input& input, const std::vector<std::string>& records,
                bool direct) {
  std::size_t next = 0;
  for (const Item* item : input.items) {
    while (next < records.size() &&
           ExpectedName(records[next], direct) != item->name) {
      ++next;
    }
    FUZZ_CHECK(next < records.size(),
               "an item's name is no record's, or out of order: " +
                   std::string(item->name));
    ++next;
  }
}

// Counts the refusals in the warnings, checking that each is documented.
std::size_t CountRefusals(const std::string& warnings) {
  std::size_t count = 0;
  const std::string prefix = kIgnoring;
  for (std::size_t at = warnings.find(prefix); at != std::string::npos;
       at = warnings.find(prefix, at + 1)) {
    if (at != 0 && warnings[at - 1] != '\n') continue;
    const std::size_t reason = at + prefix.size();
    bool documented = false;
    for (const char* refusal : kRefusals) {
      documented = documented ||
                   warnings.compare(reason, std::strlen(refusal), refusal) == 0;
    }
    FUZZ_CHECK(documented, "undocumented refusal: " + warnings.substr(at, 80));
    ++count;
  }
  return count;
}

// A record without a readable size is shown whole, blanks and all. Only
// for newline records: those hold no newline, so a line is a record.
void CheckUnreadableShownWhole(const std::string& warnings,
                               const std::vector<std::string>& records) {
  const std::string prefix = std::string(kIgnoring) + kRefusals[0];
  const std::set<std::string> known(records.begin(), records.end());
  std::istringstream lines(warnings);
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    FUZZ_CHECK(known.count(line.substr(prefix.size())) == 1,
               "an unreadable record is not shown whole: " + line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  AnchorArtifacts(argc, argv);
  MakeTree();
  stdin_file = memfd_create("quarrimel-fuzz-stdin", 0);
  if (stdin_file < 0 || dup2(stdin_file, STDIN_FILENO) < 0) {
    FuzzFail("cannot replace standard input");
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  ByteReader bytes(data, size);
  Options options = ChooseOptions(bytes);
  const char delimiter = options.null_data ? '\0' : '\n';
  std::string text(reinterpret_cast<const char*>(bytes.Rest()),
                   bytes.RestSize());
  if (!options.direct) ConfineToTree(text, delimiter);
  if (options.piece == 0) {
    SetStandardInput(text);
  } else {
    SetStandardInputInPieces(text, options.piece);
  }

  std::vector<char*> argv;
  for (std::string& word : options.words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  int argc = static_cast<int>(argv.size()) - 1;
  Params params;
  params.argc = &argc;
  params.argv = argv.data();

  NullBuffer discard;
  std::ostringstream warnings;
  StreamRedirect quiet_out(std::cout, &discard);
  StreamRedirect caught_err(std::cerr, warnings.rdbuf());
  std::size_t accepted = 0;
  const InTree in_tree;
  try {
    if (!ParseOptions(params)) FuzzFail("fixed options refused");
    Input input(params);
    CheckItems(input, params);
    CheckNames(input, SplitRecords(text, delimiter), options.direct);
    accepted = input.items.size();
  } catch (const E_Exception& e) {
    FUZZ_CHECK(std::string(e.what()) == "No input to process",
               std::string("unexpected error: ") + e.what());
  }

  // A record holding the refusal text itself would be counted twice.
  if (text.find(kIgnoring) != std::string::npos) return 0;
  const std::vector<std::string> records = SplitRecords(text, delimiter);
  std::size_t expected = 0;
  for (const std::string& record : records) {
    if (!options.direct || !record.empty()) ++expected;
  }
  FUZZ_CHECK(accepted + CountRefusals(warnings.str()) == expected,
             "a record was neither accepted nor refused once");
  if (options.direct && !options.null_data) {
    CheckUnreadableShownWhole(warnings.str(), records);
  }
  return 0;
}
