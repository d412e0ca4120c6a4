// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/printer.h"

#include <deque>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/params.h"

namespace {

// Items owned by the test; bins point into it like into an Input.
class PrinterTest : public testing::Test {
 protected:
  Item* Make(const std::string& name, double size) {
    names_.push_back(name);
    items_.push_back(Item{names_.back(), size, items_.size()});
    return &items_.back();
  }
  Bin MakeBin(double capacity,
              const std::vector<std::pair<std::string, double>>& contents) {
    Bin bin;
    bin.capacity = capacity;
    for (const auto& entry : contents) bin.Add(Make(entry.first, entry.second));
    return bin;
  }
  // Names in the order the options put them in, one per line.
  std::string Order(const Params& params) {
    std::vector<Bin> bins = {MakeBin(100, {{"beta", 5},
                                           {"Alpha", 3},
                                           {"\xC3\xA9t\xC3\xA9", 6},
                                           {"alphabet", 1},
                                           {"Zulu", 4},
                                           {"_under", 2},
                                           {"Zul", 7},
                                           {"zeta", 8}})};
    std::ostringstream out;
    Params quiet = params;
    quiet.hide_summary = true;
    quiet.delimiter = ' ';
    WriteResult(out, quiet, bins, ResultTotals{36, 8}, true);
    return out.str();
  }

 private:
  std::deque<std::string> names_;  // Stable addresses, as the items' are.
  std::deque<Item> items_;
};

TEST_F(PrinterTest, ItemOrders) {
  static const struct {
    const char* name;
    bool sort_by_size, sort_reverse, no_case;
    const char* order;
  } cases[] = {
      {"bytes, a prefix first", false, false, false,
       "Alpha Zul Zulu _under alphabet beta zeta \xC3\xA9t\xC3\xA9 "},
      {"bytes reversed", false, true, false,
       "\xC3\xA9t\xC3\xA9 zeta beta alphabet _under Zulu Zul Alpha "},
      // A small z upper-cases like any other letter: zeta before Zul.
      {"no case, high bytes first", false, false, true,
       "\xC3\xA9t\xC3\xA9 Alpha alphabet beta zeta Zul Zulu _under "},
      {"no case reversed", false, true, true,
       "_under Zulu Zul zeta beta alphabet Alpha \xC3\xA9t\xC3\xA9 "},
      {"size", true, false, false,
       "alphabet _under Alpha Zulu beta \xC3\xA9t\xC3\xA9 Zul zeta "},
      {"size reversed", true, true, false,
       "zeta Zul \xC3\xA9t\xC3\xA9 beta Zulu Alpha _under alphabet "},
      {"size wins over no case", true, false, true,
       "alphabet _under Alpha Zulu beta \xC3\xA9t\xC3\xA9 Zul zeta "},
  };
  for (const auto& c : cases) {
    Params params;
    params.sort_by_size = c.sort_by_size;
    params.sort_reverse = c.sort_reverse;
    params.no_case = c.no_case;
    EXPECT_EQ(Order(params), c.order) << c.name;
  }
}

TEST_F(PrinterTest, BinsGoFullestFirstThenFewestItems) {
  std::vector<Bin> bins = {MakeBin(100, {{"a", 50}}),
                           MakeBin(100, {{"b", 30}, {"c", 60}}),
                           MakeBin(100, {{"d", 90}}),
                           MakeBin(100, {{"e", 40}, {"f", 30}, {"g", 30}}),
                           MakeBin(100, {{"h", 100}})};
  Params params;
  params.hide_summary = true;
  params.delimiter = ' ';
  params.bins_separator = '|';
  std::ostringstream out;
  WriteResult(out, params, bins, ResultTotals{430, 8}, true);
  EXPECT_EQ(out.str(), "h |e f g |d |b c |a ");
}

// Bins of equal room and item count keep the engine's order.
TEST_F(PrinterTest, BinsWithEqualKeysKeepTheirOrder) {
  std::vector<Bin> bins = {MakeBin(100, {{"a", 50}}), MakeBin(100, {{"f", 60}}),
                           MakeBin(100, {{"b", 50}}),
                           MakeBin(100, {{"c", 30}, {"d", 30}}),
                           MakeBin(100, {{"e", 60}})};
  Params params;
  params.hide_summary = true;
  params.delimiter = ' ';
  params.bins_separator = '|';
  std::ostringstream out;
  WriteResult(out, params, bins, ResultTotals{280, 6}, true);
  EXPECT_EQ(out.str(), "f |e |c d |a |b ");
}

// Items of equal keys keep their order in the bin, in every item order.
TEST_F(PrinterTest, ItemsWithEqualKeysKeepTheirOrder) {
  static const struct {
    const char* name;
    bool sort_by_size, sort_reverse, no_case;
    const char* order;
  } cases[] = {
      {"size", true, false, false, "y\t1 w\t1 z\t2 x\t2 v\t2 "},
      {"size reversed", true, true, false, "z\t2 x\t2 v\t2 y\t1 w\t1 "},
  };
  for (const auto& c : cases) {
    std::vector<Bin> bins = {
        MakeBin(100, {{"z", 2}, {"y", 1}, {"x", 2}, {"w", 1}, {"v", 2}})};
    Params params;
    params.sort_by_size = c.sort_by_size;
    params.sort_reverse = c.sort_reverse;
    params.no_case = c.no_case;
    params.plain_numbers = true;
    params.show_size = true;
    params.hide_summary = true;
    params.delimiter = ' ';
    std::ostringstream out;
    WriteResult(out, params, bins, ResultTotals{8, 5}, true);
    EXPECT_EQ(out.str(), c.order) << c.name;
  }
  // Equal names, told apart by their sizes.
  static const struct {
    const char* name;
    bool sort_reverse, no_case;
    const char* order;
  } by_name[] = {
      {"bytes", false, false, "other\t5 same\t3 same\t1 same\t2 "},
      {"bytes reversed", true, false, "same\t3 same\t1 same\t2 other\t5 "},
      {"no case", false, true, "other\t5 same\t3 SAME\t1 Same\t2 "},
      {"no case reversed", true, true, "same\t3 SAME\t1 Same\t2 other\t5 "},
  };
  for (const auto& c : by_name) {
    const char* second = c.no_case ? "SAME" : "same";
    const char* third = c.no_case ? "Same" : "same";
    std::vector<Bin> bins = {
        MakeBin(100, {{"same", 3}, {second, 1}, {"other", 5}, {third, 2}})};
    Params params;
    params.sort_reverse = c.sort_reverse;
    params.no_case = c.no_case;
    params.plain_numbers = true;
    params.show_size = true;
    params.hide_summary = true;
    params.delimiter = ' ';
    std::ostringstream out;
    WriteResult(out, params, bins, ResultTotals{11, 4}, true);
    EXPECT_EQ(out.str(), c.order) << c.name;
  }
}

// Where the empty lines, separators and summary lines go, on a result whose
// engine order is not the listing order.
TEST_F(PrinterTest, Layout) {
  const std::string full =
      "[1] 100Bytes/100Bytes of 130Bytes, Diff: 0Bytes, Items: 2/3\n";
  const std::string part =
      "[2] 30Bytes/100Bytes of 130Bytes, Diff: 70Bytes, Items: 1/3\n";
  const unsigned kAll = 2147483647;
  const struct {
    const char* name;
    bool split, hide_items, hide_summary, verbose;
    unsigned bins;
    std::string listing;
  } cases[] = {
      {"default", false, false, false, false, kAll,
       "a\nb\n\n" + full + "\nc\n\n" + part},
      {"split keeps the engine order", true, false, false, false, kAll,
       "c\n\n[1] 30Bytes/100Bytes of 130Bytes, Diff: 70Bytes, Items: 1/3\n"
       "\na\nb\n\n"
       "[2] 100Bytes/100Bytes of 130Bytes, Diff: 0Bytes, Items: 2/3\n"},
      {"one bin, no separator after it", false, false, false, false, 1,
       "a\nb\n\n" + full},
      {"summaries only", false, true, false, false, kAll, full + part},
      {"items only", false, false, true, false, kAll, "a\nb\n\nc\n"},
      {"nothing", false, true, true, false, kAll, ""},
      {"verbose, nothing", false, true, true, true, kAll, "\n"},
      {"verbose", false, false, false, true, kAll,
       "\na\nb\n\n" + full + "\nc\n\n" + part},
  };
  for (const auto& c : cases) {
    std::vector<Bin> bins = {MakeBin(100, {{"c", 30}}),
                             MakeBin(100, {{"b", 40}, {"a", 60}})};
    Params params;
    params.target = 100;
    params.split = c.split;
    params.hide_items = c.hide_items;
    params.hide_summary = c.hide_summary;
    params.verbose = c.verbose;
    params.bins = c.bins;
    std::ostringstream out;
    WriteResult(out, params, bins, ResultTotals{130, 3}, true);
    EXPECT_EQ(out.str(), c.listing) << c.name;
  }
}

// More distinct sizes than the listing keeps formatted texts for: every
// line still shows its own sizes.
TEST_F(PrinterTest, ManyDistinctSizes) {
  const int kBins = 70000;
  const double capacity = 100000;
  std::vector<Bin> bins;
  std::string expected;
  for (int i = 1; i <= kBins; ++i) {
    bins.push_back(MakeBin(capacity, {{"x", double(i)}}));
    expected += "[" + std::to_string(i) + "] " + std::to_string(i) +
                "/100000 of 2450035000, Diff: " + std::to_string(100000 - i) +
                ", Items: 1/70000\n";
  }
  Params params;
  params.plain_numbers = true;
  params.split = true;
  params.hide_items = true;
  std::ostringstream out;
  WriteResult(out, params, bins, ResultTotals{2450035000.0, kBins}, false);
  EXPECT_TRUE(out.str() == expected);
}

// Records what had been written each time the stream was flushed.
class FlushLog : public std::stringbuf {
 public:
  std::vector<std::string> flushed;

 protected:
  int sync() override {
    flushed.push_back(str());
    return 0;
  }
};

TEST_F(PrinterTest, FlushesAfterEverySummaryLineWhenAsked) {
  const std::string first =
      "a\nb\n\n[1] 100Bytes/100Bytes of 130Bytes, Diff: 0Bytes, Items: 2/3\n";
  const std::string second =
      first +
      "|c\n\n[2] 30Bytes/100Bytes of 130Bytes, Diff: 70Bytes, Items: 1/3\n";
  const struct {
    const char* name;
    bool flush_summaries, hide_summary;
    std::vector<std::string> flushed;  // The output at each flush.
  } cases[] = {
      {"after each summary, before the separator",
       true,
       false,
       {first, second}},
      {"not asked", false, false, {}},
      {"no summary lines", true, true, {}},
  };
  for (const auto& c : cases) {
    std::vector<Bin> bins = {MakeBin(100, {{"c", 30}}),
                             MakeBin(100, {{"b", 40}, {"a", 60}})};
    Params params;
    params.bins_separator = '|';
    params.hide_summary = c.hide_summary;
    FlushLog log;
    std::ostream out(&log);
    WriteResult(out, params, bins, ResultTotals{130, 3}, c.flush_summaries);
    EXPECT_EQ(log.flushed, c.flushed) << c.name;
  }
}

}  // namespace
