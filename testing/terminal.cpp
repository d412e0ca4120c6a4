// SPDX-License-Identifier: GPL-3.0-or-later
#include "testing/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

// Longest a test waits for the program to end before killing it.
constexpr int kFinishTimeoutMs = 120000;

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + strerror(errno));
}

long NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// Reads what `fd` holds into `into`; false at its end. A terminal whose
// last writer has gone reports EIO instead of an end of file.
bool Drain(int fd, std::string& into) {
  char buffer[65536];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) {
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  return n < 0 && (errno == EINTR || errno == EAGAIN);
}

}  // namespace

// ---- PseudoTerminal ---------------------------------------------------------

PseudoTerminal::PseudoTerminal() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
  Check(master_ >= 0, "posix_openpt");
  Check(grantpt(master_) == 0 && unlockpt(master_) == 0, "grantpt");
  const char* name = ptsname(master_);
  Check(name != nullptr, "ptsname");
  slave_name_ = name;
  winsize size = {};
  size.ws_row = 24;
  size.ws_col = 80;
  ioctl(master_, TIOCSWINSZ, &size);
}

PseudoTerminal::~PseudoTerminal() { close(master_); }

bool PseudoTerminal::Read(std::string& into, int timeout_ms) {
  pollfd ready = {master_, POLLIN, 0};
  if (poll(&ready, 1, timeout_ms) <= 0) return true;
  return Drain(master_, into);
}

// ---- Screen -----------------------------------------------------------------

std::string Screen(const std::string& raw) {
  static const std::string kClearToEnd = "\033[K";
  std::vector<std::string> lines(1);
  std::size_t column = 0;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    std::string& line = lines.back();
    if (raw.compare(i, kClearToEnd.size(), kClearToEnd) == 0) {
      line.resize(std::min(line.size(), column));
      i += kClearToEnd.size() - 1;
    } else if (raw[i] == '\r') {
      column = 0;
    } else if (raw[i] == '\n') {
      lines.emplace_back();
      column = 0;
    } else {
      if (column >= line.size()) line.resize(column + 1, ' ');
      line[column++] = raw[i];
    }
  }
  std::string screen = lines[0];
  for (std::size_t k = 1; k < lines.size(); ++k) screen += "\n" + lines[k];
  return screen;
}

// ---- TerminalRun
// -------------------------------------------------------------

TerminalRun::TerminalRun(const std::vector<std::string>& args,
                         const std::string& cwd) {
  signal(SIGPIPE, SIG_IGN);  // The program may end before reading its input.
  int in[2], out[2];
  Check(pipe(in) == 0 && pipe(out) == 0, "pipe");
  pid_ = fork();
  Check(pid_ >= 0, "fork");
  if (pid_ == 0) {
    // A new session whose first terminal opened becomes its controlling
    // terminal, with this process in the foreground.
    setsid();
    const int err = open(terminal_.slave_name().c_str(), O_RDWR);
    if (err < 0) _exit(126);
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err, 2);
    for (int fd : {in[0], in[1], out[0], out[1], err, terminal_.master()}) {
      close(fd);
    }
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    const std::string binary = QuarrimelBinary();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& a : args) {
      argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  unread_ = in[0];
  input_ = in[1];
  output_ = out[0];
}

TerminalRun::~TerminalRun() {
  if (input_ >= 0) close(input_);
  if (output_ >= 0) close(output_);
  close(unread_);
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void TerminalRun::Write(const std::string& input) {
  std::size_t written = 0;
  while (written < input.size()) {
    const ssize_t n =
        write(input_, input.data() + written, input.size() - written);
    if (n < 0 && errno == EINTR) continue;
    Check(n >= 0, "write");
    written += static_cast<std::size_t>(n);
  }
}

void TerminalRun::Signal(int signal) { kill(pid_, signal); }

bool TerminalRun::WaitUntilRead(int timeout_ms) {
  const long deadline = NowMs() + timeout_ms;
  for (;;) {
    int unread = 0;
    Check(ioctl(unread_, FIONREAD, &unread) == 0, "FIONREAD");
    if (unread == 0) return true;
    if (NowMs() >= deadline) return false;
    Collect(10);
  }
}

void TerminalRun::Collect(int timeout_ms) {
  pollfd fds[2] = {{output_, POLLIN, 0},
                   {terminal_open_ ? terminal_.master() : -1, POLLIN, 0}};
  if (poll(fds, 2, timeout_ms) <= 0) return;
  if (fds[0].revents != 0 && !Drain(output_, result_.out)) {
    close(output_);
    output_ = -1;
  }
  if (fds[1].revents != 0 && !Drain(terminal_.master(), result_.err)) {
    terminal_open_ = false;
  }
}

bool TerminalRun::WaitFor(const std::string& text, int timeout_ms) {
  const long deadline = NowMs() + timeout_ms;
  while (result_.err.find(text) == std::string::npos) {
    const long left = deadline - NowMs();
    if (left <= 0 || (output_ < 0 && !terminal_open_)) return false;
    Collect(static_cast<int>(left));
  }
  return true;
}

CliResult TerminalRun::Finish() {
  close(input_);
  input_ = -1;
  const long deadline = NowMs() + kFinishTimeoutMs;
  while ((output_ >= 0 || terminal_open_) && NowMs() < deadline) {
    Collect(static_cast<int>(deadline - NowMs()));
  }
  if (output_ >= 0 || terminal_open_) kill(pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  result_.status =
      WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result_;
}
