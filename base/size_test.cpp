// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/size.h"

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/params.h"

namespace {

// Params with the unit settings that --si and --show-bytes give, or with the
// plain numbers of direct input without a unit option.
Params Units(bool si, bool show_bytes = false, bool plain = false) {
  Params params;
  params.unit_base = si ? 1000 : 1024;
  params.unit_infix = si ? '\0' : 'i';
  params.show_bytes = show_bytes;
  params.plain_numbers = plain;
  return params;
}

TEST(SizeTest, ReadsNumbersWithUnitSuffixes) {
  static const struct {
    const char* text;
    double binary;   // With powers of 1024.
    double decimal;  // With --si.
  } kCases[] = {
      {"10k", 10240, 10000},
      {"10K", 10240, 10000},
      {"10kb", 10240, 10000},
      {"10KiB", 10240, 10000},
      {"10 k", 10240, 10000},
      {"1.5k", 1536, 1500},
      {"700m", 734003200, 700000000},
      {"1.5GB", 1610612736, 1500000000},
      {"2t", 2199023255552, 2000000000000},
      {"2T", 2199023255552, 2000000000000},
      // Letters other than k, m, g, t leave the number in bytes.
      {"5 bytes", 5, 5},
      {"5 B", 5, 5},
      {"5 kb", 5120, 5000},
      {"1e3", 1000, 1000},
      {"2e3k", 2048000, 2000000},
      // The number stops at k, and k is the unit letter.
      {"10k5", 10240, 10000},
      // x is the first of the trailing letters, so k is no unit here.
      {"5 xk", 5, 5},
      {"  7", 7, 7},
      {"7", 7, 7},
      {"0", 0, 0},
      {"-5k", -5120, -5000},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    double value = -1;
    ASSERT_TRUE(ParseSize(Units(false), c.text, value));
    EXPECT_EQ(value, c.binary);
    ASSERT_TRUE(ParseSize(Units(true), c.text, value));
    EXPECT_EQ(value, c.decimal);
  }
}

TEST(SizeTest, RefusesTextsWithoutALeadingNumber) {
  for (const char* text : {"", " ", "k", "abc", "-", ".", "kb5", "\t\n"}) {
    SCOPED_TRACE(text);
    double value = 0;
    EXPECT_FALSE(ParseSize(Units(false), text, value));
  }
}

TEST(SizeTest, FormatsInTheLargestUnitReached) {
  static const struct {
    double size;
    Params params;
    const char* text;
  } kCases[] = {
      {512, Units(false), "512Bytes"},
      {0, Units(false), "0Bytes"},
      {1023, Units(false), "1023Bytes"},
      // Below the threshold, so bytes, even though it rounds to 1024.
      {1023.6, Units(false), "1024Bytes"},
      {1024, Units(false), "1.00KiB"},
      {1536, Units(false), "1.50KiB"},
      {734003200, Units(false), "700.00MiB"},
      {1073741824, Units(false), "1.00GiB"},
      {1099511627776, Units(false), "1.00TiB"},
      {5 * 1099511627776.0 * 1024, Units(false), "5120.00TiB"},
      {-2048, Units(false), "-2.00KiB"},
      {-512, Units(false), "-512Bytes"},
      {1048575, Units(false), "1024.00KiB"},
      {1536, Units(false, true), "1.50KiB (1536)"},
      {100, Units(false, true), "100Bytes (100)"},
      {1500, Units(true), "1.50KB"},
      {999, Units(true), "999Bytes"},
      {2500000000, Units(true), "2.50GB"},
      {3e12, Units(true, true), "3.00TB (3000000000000)"},
      {12.5, Units(false, false, true), "12.5"},
      {1e20, Units(false, false, true), "1e+20"},
      {0.1, Units(false, false, true), "0.1"},
      {1234567890123, Units(false, false, true), "1234567890123"},
      {2.0 / 3.0, Units(false, false, true), "0.6666666666666666"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatSize(c.params, c.size), c.text);
  }
}

TEST(SizeTest, FormattingOneSizeDoesNotLeakIntoTheNext) {
  // Plain mode's precision and the byte suffix must not survive a call.
  EXPECT_EQ(FormatSize(Units(false, false, true), 1.0 / 3.0),
            "0.3333333333333333");
  EXPECT_EQ(FormatSize(Units(false, true), 2048), "2.00KiB (2048)");
  EXPECT_EQ(FormatSize(Units(false), 1536), "1.50KiB");
  EXPECT_EQ(FormatSize(Units(false, false, true), 3), "3");
}

// ParseNumber must read exactly what `stream >> double` reads, since the
// direct-input reader depends on it for every record.
TEST(SizeTest, ParseNumberMatchesStreamExtraction) {
  static const char* const kTexts[] = {
      "",
      " ",
      "\t\n",
      "0",
      "5",
      "-5",
      "+5",
      "-0",
      "007",
      "5b",
      "5e",
      "1e",
      ".",
      "-.",
      "+",
      ".5",
      "5.",
      "-.5e1",
      "1e400",
      "-1e400",
      "1e-400",
      "2.4e-324",
      "4.9e-324",
      "1.7976931348623157e308",
      "1.7976931348623159e308",
      "1e+",
      "1e+5",
      "1E5",
      "1e-5x",
      "0x10",
      "0X1p3",
      "nan",
      "NaN",
      "inf",
      "-inf",
      "infinity",
      "  \t\n12",
      "\v3",
      "\f4",
      "\r5",
      "1,5",
      "1.5.5",
      "1_000",
      "\x85"
      "1",
      "\xa0"
      "1",
      "123456789012345678901234567890",
      "0.1",
      "3.14159265358979323846",
      "5 xk",
      "1e5k",
      "12abc",
      "i5",
      "p",
      "e5",
      "--5",
      "+-5",
      "9e",
      "1e999999999999999999",
      "1e-999999999999999999",
      "0.000000000000000000000000000000000000001e39",
  };
  for (const char* text : kTexts) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    std::istringstream stream(text);
    double expected = 0;
    const bool expected_ok = static_cast<bool>(stream >> expected);
    double value = 0;
    ASSERT_EQ(ParseNumber(text, value), expected_ok);
    if (expected_ok) {
      EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0);
    }
  }
}

TEST(SizeTest, ParseNumberReadsUpToAnEmbeddedNul) {
  double value = 0;
  ASSERT_TRUE(ParseNumber(std::string("42\0"
                                      "7",
                                      4),
                          value));
  EXPECT_EQ(value, 42);
  EXPECT_FALSE(ParseNumber(std::string("\0"
                                       "7",
                                       2),
                           value));
}

}  // namespace
