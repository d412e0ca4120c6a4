// SPDX-License-Identifier: GPL-3.0-or-later
#include "testing/cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

#ifndef QUARRIMEL_BINARY
#error "QUARRIMEL_BINARY must name the binary under test"
#endif

namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + strerror(errno));
}

void RedirectFromFile(const std::string& path, int fd, int flags) {
  int file = open(path.c_str(), flags, 0644);
  if (file < 0) _exit(126);
  dup2(file, fd);
  close(file);
}

[[noreturn]] void ExecChild(const CliRun& run, int in[2], int out[2],
                            int err[2]) {
  if (run.stdin_file.empty()) {
    dup2(in[0], 0);
  } else {
    RedirectFromFile(run.stdin_file, 0, O_RDONLY);
  }
  if (run.stdout_file.empty()) {
    dup2(out[1], 1);
  } else {
    RedirectFromFile(run.stdout_file, 1, O_WRONLY | O_CREAT | O_TRUNC);
  }
  if (run.nonblocking_stdout) {
    fcntl(1, F_SETFL, fcntl(1, F_GETFL) | O_NONBLOCK);
  }
  dup2(err[1], 2);
  for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
  if (!run.cwd.empty() && chdir(run.cwd.c_str()) != 0) _exit(126);
  if (run.memory_limit != 0) {
    const rlimit limit = {run.memory_limit, run.memory_limit};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
  }
  if (run.timeout_seconds != 0) alarm(run.timeout_seconds);
  for (const std::string& setting : run.env) {
    if (putenv(const_cast<char*>(setting.c_str())) != 0) _exit(126);
  }
  std::string binary = run.binary.empty() ? QuarrimelBinary() : run.binary;
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(binary.c_str()));
  for (const std::string& a : run.args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(binary.c_str(), argv.data());
  _exit(127);
}

// Feeds standard input and drains both output pipes together, so a child
// that writes a lot before reading everything cannot deadlock us.
void Pump(const std::string& input, int in_fd, int out_fd, int err_fd,
          const CliRun& run, CliResult& result) {
  size_t written = 0;
  if (input.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3] = {
        {in_fd, POLLOUT, 0}, {out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      Check(false, "poll");
    }
    if (in_fd >= 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t n = write(in_fd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if (n < 0 || written == input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
    int* fdp[2] = {&out_fd, &err_fd};
    std::string* sink[2] = {&result.out, &result.err};
    for (int k = 0; k < 2; ++k) {
      if (*fdp[k] < 0 || !(fds[k + 1].revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      char buf[65536];
      const bool slowly = k == 0 && run.stdout_read_bytes != 0;
      const std::size_t want = slowly ? run.stdout_read_bytes : sizeof buf;
      ssize_t n = read(*fdp[k], buf, std::min(want, sizeof buf));
      if (slowly) usleep(200);
      if (n > 0) {
        sink[k]->append(buf, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(*fdp[k]);
        *fdp[k] = -1;
      }
    }
  }
  if (in_fd >= 0) close(in_fd);
}

}  // namespace

std::string QuarrimelBinary() { return QUARRIMEL_BINARY; }

bool SanitizedBuild() {
#ifdef QUARRIMEL_SANITIZED
  return true;
#else
  return false;
#endif
}

CliResult RunQuarrimel(const CliRun& run) {
  signal(SIGPIPE, SIG_IGN);  // The child may exit before reading its input.
  int in[2], out[2], err[2];
  Check(pipe(in) == 0 && pipe(out) == 0 && pipe(err) == 0, "pipe");
  if (run.stdout_pipe_bytes != 0) {
    Check(fcntl(out[0], F_SETPIPE_SZ, run.stdout_pipe_bytes) >= 0,
          "F_SETPIPE_SZ");
  }
  pid_t pid = fork();
  Check(pid >= 0, "fork");
  if (pid == 0) ExecChild(run, in, out, err);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  CliResult result;
  if (run.stdout_delay_ms != 0) usleep(run.stdout_delay_ms * 1000);
  Pump(run.input, in[1], out[0], err[0], run, result);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status =
      WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

CliResult RunQuarrimel(const std::string& args, const std::string& input) {
  CliRun run;
  std::istringstream words(args);
  std::string word;
  while (std::getline(words, word, ' ')) {
    if (!word.empty()) run.args.push_back(word);
  }
  run.input = input;
  return RunQuarrimel(run);
}
