// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmdline/decimal.h"

#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

template <typename Number>
bool Read(const char* text, Number& value) {
  return CmdLine::ReadDecimal(text, text + std::strlen(text), value);
}

// What GNU libstdc++'s `stream >> double` reads from each text, which the
// reader must give with any standard library; NAN for a failure.
TEST(DecimalTest, ReadsWhatGnuLibstdcxxReads) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"12", 12},        {"+3", 3},      {"-3", -3},
      {".5", 0.5},       {"5.", 5},      {"-.5", -0.5},
      {"00012", 12},     {"1,5", 1},     {"1e5k", 1e5},
      {"1e5.5", 1e5},    {"1e5e3", 1e5}, {"1.2.3", 1.2},
      {"1E-2x", 0.01},   {"7x", 7},      {"0x10", 0},
      {"0x1p3", 0},      {"1e-400", 0},  {"4.9e-324", 4.9e-324},
      {"", NAN},         {"-", NAN},     {"+", NAN},
      {".", NAN},        {"e5", NAN},    {"1e", NAN},
      {"1e+", NAN},      {"inf", NAN},   {"nan", NAN},
      {"INFINITY", NAN}, {"1e400", NAN}, {"-1e400", NAN},
      {" 7", NAN},  // White space is the caller's to skip.
  };
  for (const auto& c : cases) {
    double value = -1;
    const bool read = Read(c.text, value);
    if (std::isnan(c.value)) {
      EXPECT_FALSE(read) << '"' << c.text << '"';
    } else {
      EXPECT_TRUE(read) << '"' << c.text << '"';
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
  // The sign of zero is kept; a real option reads alike.
  double value = 0;
  ASSERT_TRUE(Read("-0", value));
  EXPECT_TRUE(std::signbit(value));
  long double real = 0;
  ASSERT_TRUE(Read("0x.8", real));
  EXPECT_EQ(real, 0.0L);
  EXPECT_FALSE(Read("nan", real));
}

// Only the given range is read, whatever follows it.
TEST(DecimalTest, StopsAtTheEndOfTheRange) {
  const std::string text = "12345";
  double value = 0;
  ASSERT_TRUE(CmdLine::ReadDecimal(text.data(), text.data() + 3, value));
  EXPECT_EQ(value, 123);
  EXPECT_EQ(CmdLine::ScanDecimal(text.data(), text.data() + 3),
            text.data() + 3);
}

}  // namespace
