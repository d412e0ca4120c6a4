// SPDX-License-Identifier: GPL-3.0-or-later
// The search line of the genetic algorithm on a terminal: shown from the
// first evaluation when the delay is 0, erased at the end, and without any
// effect on the packing the seed gives.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/progress_line.h"
#include "base/params.h"
#include "engines/genetic_algorithm.h"
#include "input/input.h"
#include "testing/terminal.h"

namespace {

// Standard error goes to `path` while this lives.
class StderrTo {
 public:
  explicit StderrTo(const std::string& path) : saved_(dup(STDERR_FILENO)) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY);
    dup2(fd, STDERR_FILENO);
    close(fd);
  }
  ~StderrTo() {
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

// The packing of a run as item names, bin by bin.
std::string SearchedPacking() {
  std::vector<std::pair<std::string, double>> items;
  for (int k = 0; k < 60; ++k) {
    items.emplace_back("i" + std::to_string(k), 20 + (k * 37) % 81);
  }
  Params params;
  params.target = 150;
  params.ga_num_generations = 10;
  Input input(params, items);
  GeneticAlgorithm ga(input);
  ga.Search();
  std::string packing;
  for (const BinView& bin : ga.ResultBins()) {
    for (const Item* item : bin) (packing += item->name) += ' ';
    packing += "| ";
  }
  return packing;
}

TEST(SearchProgressTest, DrawsFromTheFirstEvaluationAndChangesNoDraw) {
  const std::string plain = SearchedPacking();
  PseudoTerminal terminal;
  std::string on_terminal;
  {
    const StderrTo redirect(terminal.slave_name());
    // Drawn at the first evaluation, and never again until erased.
    SetProgressTiming(ProgressTiming{0, 1000000});
    on_terminal = SearchedPacking();
    SetProgressTiming(ProgressTiming{});
  }
  std::string shown;
  // Everything was written during the search: read until nothing comes.
  for (std::size_t before = 1; shown.size() != before;) {
    before = shown.size();
    terminal.Read(shown, 100);
  }
  EXPECT_EQ(on_terminal, plain);
  // 60 items of 3591 in all need 24 bins of 150 at least.
  const std::string first = "\rGeneration 1/10: ";
  const std::string last = " bins (minimum 24), 0:00 elapsed\033[K\r\033[K";
  ASSERT_GE(shown.size(), first.size() + last.size()) << shown;
  EXPECT_EQ(shown.substr(0, first.size()), first);
  EXPECT_EQ(shown.substr(shown.size() - last.size()), last);
}

}  // namespace
