// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built quarrimel binary for end-to-end tests.
#ifndef QUARRIMEL_TESTING_CLI_RUNNER_H_
#define QUARRIMEL_TESTING_CLI_RUNNER_H_

#include <string>
#include <vector>

struct CliRun {
  std::vector<std::string> args;   // Without the program name.
  std::string input;               // Written to standard input.
  std::string stdin_file;          // If set, standard input comes from it.
  std::string stdout_file;         // If set, standard output goes to it.
  std::string cwd;                 // If set, the child starts there.
  std::string binary;              // If set, run this instead of the build's.
  std::vector<std::string> env;    // "NAME=value" added to the environment.
  unsigned long memory_limit = 0;  // If set, the child's address space limit.
  unsigned timeout_seconds = 0;    // If set, SIGALRM ends a child that hangs.
  // Standard output a pipe in non-blocking mode, not read for this long:
  // the child finds it full.
  bool nonblocking_stdout = false;
  unsigned stdout_delay_ms = 0;
  // If set, standard output is a pipe of this many bytes (at least a page),
  // read at most `stdout_read_bytes` at a time with a pause after each read:
  // a writer then finds room for only part of what it writes.
  unsigned stdout_pipe_bytes = 0;
  unsigned stdout_read_bytes = 0;
};

struct CliResult {
  std::string out;
  std::string err;
  int status = -1;  // Exit status, or 128 + signal number.
};

// True in a build with the sanitizers, which reserve far more address space
// than any limit a test would set and replace the allocator.
bool SanitizedBuild();

// Path of the binary under test (QUARRIMEL_BINARY at build time).
std::string QuarrimelBinary();

CliResult RunQuarrimel(const CliRun& run);
// Shorthand: arguments split on single spaces, optional standard input.
CliResult RunQuarrimel(const std::string& args, const std::string& input = "");

#endif  // QUARRIMEL_TESTING_CLI_RUNNER_H_
