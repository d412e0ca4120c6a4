// SPDX-License-Identifier: GPL-3.0-or-later
// Pseudo-terminals for tests of what the program shows only on a terminal.
#ifndef QUARRIMEL_TESTING_TERMINAL_H_
#define QUARRIMEL_TESTING_TERMINAL_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "testing/cli_runner.h"

// A new pseudo-terminal, closed when it goes out of scope. Throws
// std::runtime_error when none can be had.
class PseudoTerminal {
 public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int master() const { return master_; }
  // Path of the side a program writes to.
  const std::string& slave_name() const { return slave_name_; }
  // Appends to `into` what the terminal received, waiting at most
  // `timeout_ms` for the first bytes. False once every writer has closed it
  // and all was read.
  bool Read(std::string& into, int timeout_ms);

 private:
  int master_;
  std::string slave_name_;
};

// What a terminal displays after receiving `raw`: text overwrites from the
// cursor on, "\r" goes back to the start of the line, "\033[K" clears from
// the cursor to the end of the line, "\n" starts a new line. Lines are
// joined with "\n", so text that ends in a newline ends in one here too.
std::string Screen(const std::string& raw);

// The built binary run with `args`, standard error on a pseudo-terminal that
// is its controlling terminal, standard input and output on pipes. The
// test writes the input piece by piece, so it decides how long each phase
// of the run lasts.
class TerminalRun {
 public:
  explicit TerminalRun(const std::vector<std::string>& args,
                       const std::string& cwd = "");
  // Kills the program if it still runs.
  ~TerminalRun();
  TerminalRun(const TerminalRun&) = delete;
  TerminalRun& operator=(const TerminalRun&) = delete;

  void Write(const std::string& input);
  void Signal(int signal);
  // Waits until the program has read everything written so far; false if
  // it has not after `timeout_ms`.
  bool WaitUntilRead(int timeout_ms);
  // Reads the outputs until the terminal has received `text` or `timeout_ms`
  // has passed; true when it has.
  bool WaitFor(const std::string& text, int timeout_ms);
  // Ends the input, reads both outputs to their end and waits for the exit
  // status. `err` holds the raw bytes the terminal received.
  CliResult Finish();

 private:
  // Reads what is there of either output, waiting at most `timeout_ms`.
  void Collect(int timeout_ms);

  PseudoTerminal terminal_;
  pid_t pid_ = -1;
  int input_ = -1;   // Write end of the program's standard input.
  int unread_ = -1;  // Its read end, only to count the bytes left in it.
  int output_ = -1;  // Read end of its standard output.
  bool terminal_open_ = true;
  CliResult result_;
};

#endif  // QUARRIMEL_TESTING_TERMINAL_H_
