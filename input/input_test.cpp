// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/params.h"
#include "input/path_size.h"

namespace {

using Records = std::vector<std::string>;

// Sends a standard stream into a string while in scope.
class StreamCapture {
 public:
  explicit StreamCapture(std::ostream& stream)
      : stream_(stream), old_(stream.rdbuf(text_.rdbuf())) {}
  ~StreamCapture() { stream_.rdbuf(old_); }
  std::string text() const { return text_.str(); }

 private:
  std::ostream& stream_;
  std::ostringstream text_;
  std::streambuf* old_;
};

// A descriptor reading `bytes` from an unlinked temporary file.
int DescriptorWith(const std::string& bytes) {
  std::string path = testing::TempDir() + "records_XXXXXX";
  int fd = mkstemp(&path[0]);
  EXPECT_GE(fd, 0);
  unlink(path.c_str());
  EXPECT_EQ(write(fd, bytes.data(), bytes.size()),
            static_cast<ssize_t>(bytes.size()));
  lseek(fd, 0, SEEK_SET);
  return fd;
}

// Points file descriptor 0 at `fd` while in scope.
class StdinFrom {
 public:
  explicit StdinFrom(int fd) : saved_(dup(0)) {
    dup2(fd, 0);
    close(fd);
  }
  ~StdinFrom() {
    dup2(saved_, 0);
    close(saved_);
  }

 private:
  int saved_;  // The test's own standard input.
};

Records ReadAll(const std::string& bytes, char delimiter) {
  int fd = DescriptorWith(bytes);
  Records records;
  ReadRecords(fd, delimiter,
              [&](const std::string& record) { records.push_back(record); });
  close(fd);
  return records;
}

TEST(ReadRecordsTest, SplitsOnTheDelimiterOnlyAndKeepsEveryOtherByte) {
  const std::string chunk(1 << 18, 'c');  // One read() of the reader.
  struct {
    const char* name;
    std::string bytes;
    char delimiter;
    Records records;
  } cases[] = {
      {"empty input", "", '\n', {}},
      {"last record unterminated", "a\nb", '\n', {"a", "b"}},
      {"final delimiter adds nothing", "a\nb\n", '\n', {"a", "b"}},
      {"lone delimiter", "\n", '\n', {""}},
      {"empty records kept", "\n\na\n\n", '\n', {"", "", "a", ""}},
      {"blanks and CR kept", " a \r\n\tb\n", '\n', {" a \r", "\tb"}},
      {"NUL inside a line",
       std::string("a\0b\n", 4),
       '\n',
       {std::string("a\0b", 3)}},
      {"not UTF-8", "\xff\xfe\x80\n", '\n', {"\xff\xfe\x80"}},
      {"NUL-separated", std::string("x\ny z\0w\0", 8), '\0', {"x\ny z", "w"}},
      {"NUL mode keeps newlines", "a\nb\n", '\0', {"a\nb\n"}},
      {"record across reads", chunk + "tail\nz", '\n', {chunk + "tail", "z"}},
      {"delimiter ends a read",
       chunk.substr(1) + "\nz",
       '\n',
       {chunk.substr(1), "z"}},
      {"delimiter starts a read", chunk + "\nz", '\n', {chunk, "z"}},
      {"several reads", chunk + chunk + chunk, '\n', {chunk + chunk + chunk}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadAll(c.bytes, c.delimiter), c.records);
  }
}

TEST(ReadRecordsTest, ReadErrorIsNotTakenForTheEnd) {
  int fd = open(testing::TempDir().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  try {
    ReadRecords(fd, '\n', [](const std::string&) {});
    ADD_FAILURE() << "reading a directory succeeded";
  } catch (const E_SystemFailure& e) {
    EXPECT_STREQ(e.what(), "Could not read standard input: Is a directory");
  }
  close(fd);
}

struct Accepted {
  std::string name;
  double size;
  bool operator==(const Accepted& o) const {
    return name == o.name && size == o.size;
  }
};

std::ostream& operator<<(std::ostream& out, const Accepted& a) {
  return out << "{\"" << a.name << "\", " << a.size << "}";
}

// What building an Input gave.
struct Outcome {
  std::vector<Accepted> items;  // In acceptance order.
  double total = 0;
  std::string err;    // Standard error.
  std::string error;  // what() of the program error thrown, if any.
};

// Builds an Input from `params` with `args` as the non-option arguments,
// checking that the ids follow acceptance order and that the total is the
// sum of the sizes.
Outcome RunInput(Params params, const Records& args) {
  Records storage = args;  // input_args points into it.
  for (std::string& arg : storage) params.input_args.push_back(arg.data());
  Outcome outcome;
  StreamCapture err(std::cerr);
  try {
    Input input(params);
    double sum = 0;
    for (std::size_t i = 0; i < input.items.size(); ++i) {
      const Item& item = *input.items[i];
      EXPECT_EQ(item.id, i) << item.name;
      outcome.items.push_back({std::string(item.name), item.size});
      sum += item.size;
    }
    outcome.total = input.totalSize;
    EXPECT_EQ(input.totalSize, sum);
  } catch (const E_Exception& e) {
    outcome.error = e.what();
  }
  outcome.err = err.text();
  EXPECT_TRUE(params.input_args.empty()) << "arguments left unconsumed";
  return outcome;
}

// Direct input without a unit: sizes are plain numbers.
Params Plain(double target = 1000) {
  Params params;
  params.direct_input = true;
  params.plain_numbers = true;
  params.target = target;
  return params;
}

// Direct input in bytes: `unit` bytes per unit, `block` bytes per block.
Params Bytes(double unit = 1, uint32_t block = 1, double target = 1e20) {
  Params params;
  params.direct_input = true;
  params.di_unit = unit;
  params.block_size = block;
  params.target = target;
  return params;
}

TEST(DirectInputTest, SizeTokenAndIdentifier) {
  struct {
    const char* record;
    Accepted item;
  } cases[] = {
      {"100 a", {"a", 100}},
      {"100  a", {" a", 100}},  // Only the blank ending the size goes.
      {"  100  foo", {" foo", 100}},
      {"100\tfoo bar", {"foo bar", 100}},
      {"100 \t x", {"\t x", 100}},
      {"100 ", {"", 100}},
      {"100", {"100", 100}},      // A lone number names itself...
      {"  100", {"100", 100}},    // ...from its first byte on.
      {"100\r", {"100\r", 100}},  // A carriage return is not a blank.
      {"7 a\rb\xff", {"a\rb\xff", 7}},
      {"12k x", {"x", 12}},  // Units come from the options only.
      {"12.5 half", {"half", 12.5}},
      {"1e2 sci", {"sci", 100}},
      {"+3 plus", {"plus", 3}},
  };
  for (const auto& c : cases) {
    Outcome got = RunInput(Plain(), {c.record});
    EXPECT_EQ(got.items, std::vector<Accepted>{c.item}) << c.record;
    EXPECT_EQ(got.err, "") << c.record;
  }
}

TEST(DirectInputTest, RecordsWithoutAUsableSizeAreDropped) {
  struct {
    const char* record;
    const char* err;
  } cases[] = {
      {"", ""},  // An empty record goes silently.
      {"   ", "> [Ignoring] Could not get size of:    \n"},
      {" \t", "> [Ignoring] Could not get size of:  \t\n"},
      {"x y", "> [Ignoring] Could not get size of: x y\n"},
      {"k100 x", "> [Ignoring] Could not get size of: k100 x\n"},
      {"nan x", "> [Ignoring] Could not get size of: nan x\n"},
      {"inf x", "> [Ignoring] Could not get size of: inf x\n"},
      {"-inf x", "> [Ignoring] Could not get size of: -inf x\n"},
      {"1e999 x", "> [Ignoring] Could not get size of: 1e999 x\n"},
      {"0 zero", "> [Ignoring] 0-sized input: zero\n"},
      {"-3 neg", "> [Ignoring] 0-sized input: neg\n"},
      {"2000 big", "> [Ignoring] bigger than 'target'(1000): big (2000)\n"},
  };
  for (const auto& c : cases) {
    Outcome got = RunInput(Plain(), {c.record});
    EXPECT_TRUE(got.items.empty()) << c.record;
    EXPECT_EQ(got.err, c.err) << c.record;
    EXPECT_EQ(got.error, "No input to process") << c.record;
  }
}

TEST(DirectInputTest, UnitsTruncateThenRoundToTheBlock) {
  const double kRefused = -1;
  struct {
    const char* record;
    double unit;
    uint32_t block;
    double size;  // kRefused: dropped as having no size.
  } cases[] = {
      {"1.5 a", 1024, 1, 1536},
      {"1.5 a", 1000, 1, 1500},
      {"1.5 a", 1024, 1000, 2000},
      {"2.7 a", 1, 1, 2},  // Truncated, not rounded to nearest.
      {"2.7 a", 1, 2, 2},
      {"0 a", 1, 1, 1},  // Zero bytes still take a block.
      {"0 a", 1, 512, 512},
      {"-0 a", 1, 1, 1},
      {"0.9 a", 1, 1, 1},
      {"1 a", 1099511627776, 1, 1099511627776},
      {"18446744073709549568 a", 1, 1, 18446744073709549568.0},
      {"-1 a", 1, 1, kRefused},
      {"-0.5 a", 1, 1, kRefused},
      {"2e19 a", 1, 1, kRefused},
      {"1e300 a", 1099511627776, 1, kRefused},  // Infinite in bytes.
      // 2^64 - 2048 rounds up to 2^64, one past the 64-bit range.
      {"18446744073709549568 a", 1, 4096, kRefused},
  };
  for (const auto& c : cases) {
    Outcome got = RunInput(Bytes(c.unit, c.block), {c.record});
    if (c.size == kRefused) {
      EXPECT_TRUE(got.items.empty()) << c.record;
      EXPECT_EQ(got.err, std::string("> [Ignoring] Could not get size of: ") +
                             c.record + "\n");
    } else {
      EXPECT_EQ(got.items, std::vector<Accepted>({{"a", c.size}}))
          << c.record << " unit " << c.unit << " block " << c.block;
      EXPECT_EQ(got.err, "") << c.record;
    }
  }
}

TEST(AcceptTest, FirstFailingTestDropsWithItsMessage) {
  struct {
    const char* record;
    bool plain;
    double target, min, max;
    const char* err;  // "" means accepted.
  } cases[] = {
      {"100 exact", false, 100, 0, DBL_MAX, ""},
      {"101 over", false, 100, 0, DBL_MAX,
       "> [Ignoring] bigger than 'target'(100Bytes): over (101Bytes)\n"},
      // Above both: only the target is named.
      {"101 both", false, 100, 0, 50,
       "> [Ignoring] bigger than 'target'(100Bytes): both (101Bytes)\n"},
      {"60 m", false, 100, 0, 50,
       "> [Ignoring] bigger than '--max-size'(50Bytes): m (60Bytes)\n"},
      {"50 atmax", false, 100, 0, 50, ""},
      {"5 small", false, 100, 10, DBL_MAX,
       "> [Ignoring] smaller than '--min-size'(10Bytes): small (5Bytes)\n"},
      {"10 atmin", false, 100, 10, DBL_MAX, ""},
      {"2048 k", false, 4096, 0, 1024,
       "> [Ignoring] bigger than '--max-size'(1.00KiB): k (2.00KiB)\n"},
      // Zero comes before the minimum.
      {"0 z", true, 100, 10, DBL_MAX, "> [Ignoring] 0-sized input: z\n"},
      {"0.5 half", true, 100, 0.75, DBL_MAX,
       "> [Ignoring] smaller than '--min-size'(0.75): half (0.5)\n"},
      {"0.5 half", true, 0.5, 0, DBL_MAX, ""},
  };
  for (const auto& c : cases) {
    Params params = c.plain ? Plain(c.target) : Bytes(1, 1, c.target);
    params.min_size = c.min;
    params.max_size = c.max;
    Outcome got = RunInput(params, {c.record});
    EXPECT_EQ(got.err, c.err) << c.record;
    EXPECT_EQ(got.items.size(), *c.err ? 0u : 1u) << c.record;
  }
}

TEST(DirectInputTest, OrderIsStandardInputThenArguments) {
  Params params = Plain();
  params.read_stdin = true;
  StdinFrom stdin_from(DescriptorWith("1 s1\n\n2 s2"));
  Outcome got = RunInput(params, {"3 a1", "4 a2"});
  EXPECT_EQ(got.items, std::vector<Accepted>(
                           {{"s1", 1}, {"s2", 2}, {"a1", 3}, {"a2", 4}}));
  EXPECT_EQ(got.total, 10);
  EXPECT_EQ(got.err, "");
}

TEST(DirectInputTest, StandardInputIsReadOnlyAfterALoneDash) {
  StdinFrom stdin_from(DescriptorWith("1 s\n"));
  Outcome got = RunInput(Plain(), {"2 a"});
  EXPECT_EQ(got.items, std::vector<Accepted>({{"a", 2}}));
}

TEST(InputTest, NothingAcceptedIsAnError) {
  Params params = Plain();
  params.read_stdin = true;
  StdinFrom stdin_from(DescriptorWith(""));
  Outcome got = RunInput(params, {});
  EXPECT_EQ(got.error, "No input to process");
  EXPECT_EQ(got.err, "");
}

TEST(InputTest, StandardInputReadErrorEndsTheRun) {
  Params params = Plain();
  params.read_stdin = true;
  StdinFrom stdin_from(open(testing::TempDir().c_str(), O_RDONLY));
  params.input_args.push_back(const_cast<char*>("1 a"));
  EXPECT_THROW(Input input(params), E_SystemFailure);
}

// The sort must give exactly the permutation of a stable sort with
// BySizeDescending, since Best Fit's packing of equal sizes follows it:
// many equal sizes, sizes that differ below float precision, sizes beyond
// the float range, and a list that is not in acceptance order any more.
TEST(InputTest, SizeSortMakesThePermutationOfAStableSort) {
  std::mt19937 random(9);
  const double huge = 1e300;
  double (*const draws[])(std::mt19937&) = {
      [](std::mt19937& r) { return double(r() % 20 + 1); },
      [](std::mt19937& r) { return 1e9 + double(r() % 50) * 1e-6; },
      [](std::mt19937& r) { return double(r() % 3) * 1e300 + 1e300; },
      [](std::mt19937& r) { return std::ldexp(1.0 + (r() % 8) * 0x1p-52, 70); },
  };
  for (auto draw : draws) {
    for (int round = 0; round < 5; ++round) {
      std::vector<std::pair<std::string, double>> sized;
      const int count = 1 + static_cast<int>(random() % 3000);
      for (int k = 0; k < count; ++k) {
        sized.emplace_back(std::to_string(k), draw(random));
      }
      sized.emplace_back("huge", huge);
      Params params;
      Input input(params, sized);
      if (round % 2 == 1) {
        std::shuffle(input.items.begin(), input.items.end(), random);
      }
      std::vector<Item*> expected = input.items;
      std::stable_sort(expected.begin(), expected.end(), BySizeDescending);
      input.SortBySizeDescending();
      ASSERT_EQ(input.items, expected) << "round " << round;
    }
  }
}

// Equal sizes keep the order they had: acceptance order first, then
// whatever order the list was left in.
TEST(InputTest, SizeSortKeepsEqualSizesInTheirOrder) {
  Params params;
  Input input(params,
              {{"a", 2}, {"b", 5}, {"c", 2}, {"d", 5}, {"e", 1}, {"f", 2}});
  auto names = [&input] {
    std::string text;
    for (const Item* item : input.items) {
      text += item->name;
      text += ' ';
    }
    return text;
  };
  input.SortBySizeDescending();
  EXPECT_EQ(names(), "b d a c f e ");
  const std::vector<Item*> sorted = input.items;
  input.items = {sorted[4], sorted[1], sorted[2],
                 sorted[0], sorted[5], sorted[3]};  // f d a b e c
  input.SortBySizeDescending();
  EXPECT_EQ(names(), "d b f a c e ");
}

TEST(InputTest, VerboseAnnouncesReadingOnStandardOutput) {
  Params params = Plain();
  params.verbose = true;
  StreamCapture out(std::cout);
  Outcome got = RunInput(params, {"5 a"});
  EXPECT_EQ(out.text(), "> Reading from input... \n");
  EXPECT_EQ(got.items.size(), 1u);
}

// File names measured in a temporary working directory.
class FileInputTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "input_XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    root_ = pattern;
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(testing::TempDir().c_str()), 0);
    std::string command = "rm -rf '" + root_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  void MakeFile(const std::string& path, off_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
  }

  std::string root_;  // Absolute path of the working directory.
};

TEST_F(FileInputTest, NamesAreMeasuredInOrderAndUnreadableOnesDropped) {
  MakeFile("a", 10);
  ASSERT_EQ(mkdir("d", 0755), 0);
  MakeFile("d/x", 5);
  struct stat dir;
  ASSERT_EQ(lstat("d", &dir), 0);
  Params params;
  params.target = 1e9;
  params.block_size = 4;
  Outcome got = RunInput(params, {"a", "missing", "d", "a"});
  const double d_size = (dir.st_size + 3) / 4 * 4 + 8.0;
  EXPECT_EQ(got.items,
            std::vector<Accepted>({{"a", 12}, {"d", d_size}, {"a", 12}}));
  EXPECT_EQ(got.err,
            "> Could not read: missing\n> [Ignoring] file/dir: missing\n");
}

TEST_F(FileInputTest, NullSeparatedNamesMayHoldNewlinesAndBlanks) {
  MakeFile("x y\nz", 3);
  MakeFile(" w\r", 4);
  Params params;
  params.target = 100;
  params.read_stdin = true;
  params.null_data = true;
  StdinFrom stdin_from(DescriptorWith(std::string("x y\nz\0 w\r\0", 10)));
  Outcome got = RunInput(params, {});
  EXPECT_EQ(got.items, std::vector<Accepted>({{"x y\nz", 3}, {" w\r", 4}}));
  EXPECT_EQ(got.err, "");
}

TEST_F(FileInputTest, FilterMessagesNameTheFileAndItsRoundedSize) {
  MakeFile("big", 1500);
  MakeFile("empty", 0);
  Params params;
  params.target = 1024;
  params.block_size = 1024;
  Outcome got = RunInput(params, {"big", "", "empty"});
  EXPECT_EQ(got.err,
            "> [Ignoring] bigger than 'target'(1.00KiB): big (2.00KiB)\n"
            "> Could not read: \n> [Ignoring] file/dir: \n");
  EXPECT_EQ(got.items, std::vector<Accepted>({{"empty", 1024}}));
}

}  // namespace
