// SPDX-License-Identifier: GPL-3.0-or-later
// The listing as the built program writes it, options parsed for real.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/cli_cases.h"
#include "testing/cli_runner.h"

namespace {

std::vector<std::string> Args(std::vector<std::string> extra) {
  std::vector<std::string> args = {"-", "--di", "--di-b", "-t", "100"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Best Fit opens a {a, d, e}, then {b, c}, then {f}: both full bins have the
// same room, so the one with fewer items is listed first.
const char kSixItems[] = "60 a\n55 b\n45 c\n30 d\n25 e\n10 f\n";
// Names whose byte order, case-insensitive order and size order all differ;
// the last is "e" with an acute accent in UTF-8 (bytes 195 169).
const char kFourNames[] = "40 b\n10 C\n30 a\n20 \xC3\xA9\n";
const char kThreeItems[] = "60 a\n40 b\n30 c\n";
const std::string kFull =
    "[1] 100Bytes/100Bytes of 130Bytes, Diff: 0Bytes, Items: 2/3\n";
const std::string kPart =
    "[2] 30Bytes/100Bytes of 130Bytes, Diff: 70Bytes, Items: 1/3\n";

TEST(PrinterCliTest, BinOrder) {
  RunCliCases({
      {"room, then fewer items", Args({"--ap"}), kSixItems,
       "b\nc\n\n[1] 100Bytes/100Bytes of 225Bytes, Diff: 0Bytes, Items: 2/6\n"
       "\na\nd\nf\n\n"
       "[2] 100Bytes/100Bytes of 225Bytes, Diff: 0Bytes, Items: 3/6\n"
       "\ne\n\n[3] 25Bytes/100Bytes of 225Bytes, Diff: 75Bytes, Items: 1/6\n",
       "", 0},
      {"split keeps the engine order though a later bin is fuller",
       Args({"--sp", "--hi"}), "30 a\n80 b\n20 c\n",
       "[1] 30Bytes/100Bytes of 130Bytes, Diff: 70Bytes, Items: 1/3\n"
       "[2] 100Bytes/100Bytes of 130Bytes, Diff: 0Bytes, Items: 2/3\n",
       "", 0},
      {"best fit with split set keeps its opening order",
       Args({"--ap", "--sp", "--hs", "--bs", "|"}), kSixItems,
       "a\nd\nf\n|b\nc\n|e\n", "", 0},
      {"only the first bin", Args({"--ap", "--bins", "1"}), kSixItems,
       "b\nc\n\n[1] 100Bytes/100Bytes of 225Bytes, Diff: 0Bytes, Items: 2/6\n",
       "", 0},
  });
}

TEST(PrinterCliTest, ItemOrders) {
  RunCliCases({
      {"bytes", Args({"--ap", "--hs"}), kFourNames, "C\na\nb\n\xC3\xA9\n", "",
       0},
      {"bytes reversed", Args({"--ap", "--hs", "-r"}), kFourNames,
       "\xC3\xA9\nb\na\nC\n", "", 0},
      {"no case", Args({"--ap", "--hs", "-n"}), kFourNames,
       "\xC3\xA9\na\nb\nC\n", "", 0},
      {"no case reversed", Args({"--ap", "--hs", "-n", "-r"}), kFourNames,
       "C\nb\na\n\xC3\xA9\n", "", 0},
      {"size", Args({"--ap", "--hs", "-s"}), kFourNames, "C\n\xC3\xA9\na\nb\n",
       "", 0},
      {"size reversed", Args({"--ap", "--hs", "-s", "-r"}), kFourNames,
       "b\na\n\xC3\xA9\nC\n", "", 0},
      {"size wins over no case", Args({"--ap", "--hs", "-s", "-n"}), kFourNames,
       "C\n\xC3\xA9\na\nb\n", "", 0},
  });
}

TEST(PrinterCliTest, WhatIsShownAndHowItIsSeparated) {
  RunCliCases({
      {"the whole listing", Args({"--ap"}), kThreeItems,
       "a\nb\n\n" + kFull + "\nc\n\n" + kPart, "", 0},
      {"hide items", Args({"--ap", "--hi"}), kThreeItems, kFull + kPart, "", 0},
      {"hide summary", Args({"--ap", "--hs"}), kThreeItems, "a\nb\n\nc\n", "",
       0},
      {"hide both", Args({"--ap", "--hi", "--hs"}), kThreeItems, "", "", 0},
      {"NUL after names", Args({"--ap", "-Z"}), kThreeItems,
       std::string("a\0b\0\n", 5) + kFull + std::string("\nc\0\n", 4) + kPart,
       "", 0},
      {"NUL between bins", Args({"--ap", "-0"}), kThreeItems,
       "a\nb\n\n" + kFull + std::string("\0c\n\n", 4) + kPart, "", 0},
      {"NUL for both, no summary", Args({"--ap", "-Z", "-0", "--hs"}),
       kThreeItems, std::string("a\0b\0\0c\0", 7), "", 0},
      {"delimiter", Args({"--ap", "--dw", ","}), kThreeItems,
       "a,b,\n" + kFull + "\nc,\n" + kPart, "", 0},
      {"bins separator", Args({"--ap", "--bs", "="}), kThreeItems,
       "a\nb\n\n" + kFull + "=c\n\n" + kPart, "", 0},
      {"enclosed in double quotes", Args({"--ap", "--ew", "\"", "--hs"}),
       kThreeItems, "\"a\"\n\"b\"\n\n\"c\"\n", "", 0},
      {"sizes, bytes and powers of 1000",
       {"-", "--di", "--di-b", "-t", "3000", "--ap", "--ss", "--sb", "--si"},
       "1500 a\n999 b\n",
       "a\t1.50KB (1500)\nb\t999Bytes (999)\n\n[1] 2.50KB (2499)/3.00KB (3000) "
       "of 2.50KB (2499), Diff: 501Bytes (501), Items: 2/2\n",
       "",
       0},
      {"sizes in powers of 1024",
       {"-", "--di", "--di-k", "-t", "3k", "--sp", "--ss"},
       "1.5 a\n1 b\n",
       "a\t1.50KiB\nb\t1.00KiB\n\n[1] 2.50KiB/3.00KiB of 2.50KiB, Diff: "
       "512Bytes, Items: 2/2\n",
       "",
       0},
      {"plain numbers without a unit",
       {"-", "--di", "-t", "100", "--ap", "--ss", "--sb"},
       "60 a\n40 b\n30.5 c\n",
       "a\t60\nb\t40\n\n[1] 100/100 of 130.5, Diff: 0, Items: 2/3\n"
       "\nc\t30.5\n\n[2] 30.5/100 of 130.5, Diff: 69.5, Items: 1/3\n",
       "",
       0},
      // Two fractions with the same whole part keep their own texts.
      {"sizes that differ only after the point",
       {"-", "--di", "-t", "10", "--ap", "--ss"},
       "1.5 a\n1.7 b\n",
       "a\t1.5\nb\t1.7\n\n[1] 3.2/10 of 3.2, Diff: 6.8, Items: 2/2\n",
       "",
       0},
  });
}

const char kRule[] = "> -----------------------------------\n";

TEST(PrinterCliTest, VerboseRuns) {
  RunCliCases({
      {"best fit", Args({"--ap", "-v"}), kThreeItems,
       std::string("> Reading from input... \n> Searching... \n\n") + kRule +
           "> Best Fit search (approximate)    \n" + kRule +
           "> Target: 100Bytes\n> Input size: 3\n"
           "> Theoretical minimum number of bins: 2\n\n"
           "\na\nb\n\n" +
           kFull + "\nc\n\n" + kPart,
       "", 0},
      {"split, given minimum, nothing listed",
       {"-", "--di", "-t", "100", "--sp", "-v", "--ga-theo", "7", "--hi",
        "--hs"},
       kThreeItems,
       std::string("> Reading from input... \n> Searching... \n\n") + kRule +
           "> Split \"search\"                 \n" + kRule +
           "> Target: 100\n> Input size: 3\n"
           "> Theoretical minimum number of bins: 7\n\n\n",
       "",
       0},
  });
}

}  // namespace
