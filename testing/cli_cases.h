// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end test tables: each row runs the built binary once and compares
// its whole standard output, standard error and exit status.
#ifndef QUARRIMEL_TESTING_CLI_CASES_H_
#define QUARRIMEL_TESTING_CLI_CASES_H_

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/cli_runner.h"

struct CliCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;  // Standard input.
  std::string out;    // Expected standard output, whole.
  std::string err;    // Expected standard error, whole.
  int status;
};

// Runs every row, in `cwd` when it is not empty.
inline void RunCliCases(const std::vector<CliCase>& cases,
                        const std::string& cwd = "") {
  for (const CliCase& c : cases) {
    SCOPED_TRACE(c.name);
    CliRun run;
    run.args = c.args;
    run.input = c.input;
    run.cwd = cwd;
    const CliResult result = RunQuarrimel(run);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.status, c.status);
  }
}

#endif  // QUARRIMEL_TESTING_CLI_CASES_H_
