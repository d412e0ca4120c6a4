// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmdline/errors.h"

#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

using CmdLine::E_Exception;

struct MessageCase {
  const char* name;
  E_Exception error;  // Sliced copy: the message is all a handler reads.
  const char* message;
};

const long kLongMin = std::numeric_limits<long>::min();
const long kLongMax = std::numeric_limits<long>::max();
const long double kNaN = std::numeric_limits<long double>::quiet_NaN();

TEST(ErrorsTest, MessagesAreComposedAtConstruction) {
  const MessageCase cases[] = {
      {"plain", E_Exception("", "Invalid option name: 'target'"),
       "Invalid option name: 'target'"},
      {"no value", CmdLine::E_NoValue("-t"),
       "-t: a value was not provided or it is incompatible."},
      {"duplicate", CmdLine::E_Duplicate("--verbose"),
       "--verbose: duplicate option."},
      {"integer range", CmdLine::E_OutOfRange<long>(0, 1, 2147483647, "--bins"),
       "--bins: value 0 is out of range, feasible range: [1:2147483647]"},
      {"integer at the 64-bit edges",
       CmdLine::E_OutOfRange<long>(kLongMin, -1, kLongMax, "-n"),
       "-n: value -9223372036854775808 is out of range, feasible range: "
       "[-1:9223372036854775807]"},
      {"real range", CmdLine::E_OutOfRange<long double>(1.5L, 0, 1, "--ga-cp"),
       "--ga-cp: value 1.5 is out of range, feasible range: [0:1]"},
      {"real with 6 significant digits",
       CmdLine::E_OutOfRange<long double>(1234567.0L, 0.0001L, 0.95L, "-y"),
       "-y: value 1.23457e+06 is out of range, feasible range: [0.0001:0.95]"},
      {"small and large reals",
       CmdLine::E_OutOfRange<long double>(0.00001L, 1500000.0L, 2, "-y"),
       "-y: value 1e-05 is out of range, feasible range: [1.5e+06:2]"},
      {"NaN bound", CmdLine::E_OutOfRange<long double>(0.5L, kNaN, 1, "-y"),
       "-y: value 0.5 is out of range, feasible range: [nan:1]"},
      {"allowed characters", CmdLine::E_OutOfRange<char>("x", "abd", "-q"),
       "-q: value 'x' is out of range. Allowed values: 'a' 'b' 'd'"},
      {"empty character text", CmdLine::E_OutOfRange<char>("", "ab", "-q"),
       "-q: value '' is out of range. Allowed values: 'a' 'b'"},
      {"no allowed characters", CmdLine::E_OutOfRange<char>("x", nullptr, "-q"),
       "-q: value 'x' is out of range. Allowed values:"},
      {"allowed texts",
       CmdLine::E_OutOfRange<std::string>("medium", {"fast", "slow"}, "-m"),
       "-m: value 'medium' is out of range. Allowed values: 'fast' 'slow'"},
      {"integer max below min", CmdLine::E_MaxMin<long>(5, 1, "Option -x: "),
       "Option -x: 'max' (1) smaller than 'min' (5), feasible range: "
       "[-9223372036854775808:9223372036854775807]"},
      {"real max below min",
       CmdLine::E_MaxMin<long double>(1, 0.5L, "Option -y: "),
       "Option -y: 'max' (0.5) smaller than 'min' (1), feasible range: "
       "[-1.18973e+4932:1.18973e+4932]"},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_STREQ(c.message, c.error.what());
    EXPECT_STREQ("", c.error.detail());
  }
}

TEST(ErrorsTest, DetailIsKeptApartFromTheMessage) {
  const E_Exception error("the detail", "the message");
  EXPECT_STREQ("the message", error.what());
  EXPECT_STREQ("the detail", error.detail());
}

TEST(ErrorsTest, OutputOperatorWritesTheErrorLine) {
  std::ostringstream out;
  out << "before" << CmdLine::E_NoValue("-t") << "after";
  EXPECT_EQ(
      "before\n> Error: -t: a value was not provided or it is incompatible.\n"
      "after",
      out.str());
}

// main() relies on this: its std::exception handler must not swallow option
// errors, which have their own exit status.
TEST(ErrorsTest, StandardExceptionHandlerDoesNotCatchOptionErrors) {
  std::string caught;
  try {
    try {
      throw CmdLine::E_Duplicate("-v");
    } catch (const std::exception&) {
      caught = "std::exception";
    }
  } catch (const E_Exception& e) {
    caught = e.what();
  }
  EXPECT_EQ("-v: duplicate option.", caught);
}

}  // namespace
