// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/progress_line.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cassert>
#include <csignal>
#include <iostream>
#include <iterator>

#include "base/params.h"
#include "base/size.h"

namespace {

// Back to the start of the line, then clear to its end.
constexpr char kReturn[] = "\r";
constexpr char kClearToEnd[] = "\033[K";
// Columns assumed when the terminal does not tell its width.
constexpr std::size_t kDefaultWidth = 80;
constexpr Millis kSecond = 1000;
// A wait longer than this makes the search line point to --approximate.
constexpr Millis kLongWait = 60 * kSecond;

ProgressTiming timing;

void Put(std::streambuf& out, const std::string& text) {
  out.sputn(text.data(), static_cast<std::streamsize>(text.size()));
}

// The coarse clock is read without a system call and is precise to a few
// milliseconds, far finer than the line needs; the hooks read it for every
// file measured.
Millis Now() {
  timespec now;
#ifdef CLOCK_MONOTONIC_COARSE
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
#else
  clock_gettime(CLOCK_MONOTONIC, &now);
#endif
  return static_cast<Millis>(now.tv_sec) * kSecond + now.tv_nsec / 1000000;
}

bool IsTerminal(int fd) { return isatty(fd) == 1; }

std::size_t TerminalWidth() {
  winsize size;
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
    return kDefaultWidth;
  }
  return size.ws_col;
}

// A run put in the background of the terminal must not draw over what the
// user does in the foreground. When the terminal is not the controlling
// one, tcgetpgrp() fails and the line is drawn.
bool InForeground() {
  const pid_t group = tcgetpgrp(STDERR_FILENO);
  return group < 0 || group == getpgrp();
}

// Signals that end the program while a line may be on the terminal.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM};

// Ends the program as the signal would have, but first clears the line, so
// that an interrupted run leaves no half report where the shell's prompt
// comes. Runs once per signal: the handler resets itself on entry, and the
// signal raised again is delivered when it returns.
void EraseAndEnd(int signal) {
  constexpr char kErase[] = "\r\033[K";
  const ssize_t ignored = write(STDERR_FILENO, kErase, sizeof kErase - 1);
  (void)ignored;
  raise(signal);
}

// Installs EraseAndEnd for the ending signals whose action is the default
// one, and puts the previous actions back when it goes out of scope. A
// signal the program inherited as ignored stays ignored.
class EraseOnSignal {
 public:
  EraseOnSignal() {
    struct sigaction action = {};
    action.sa_handler = EraseAndEnd;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t k = 0; k < kSignalCount; ++k) {
      sigaction(kEndingSignals[k], nullptr, &previous_[k]);
      installed_[k] = previous_[k].sa_handler == SIG_DFL &&
                      sigaction(kEndingSignals[k], &action, nullptr) == 0;
    }
  }
  ~EraseOnSignal() {
    for (std::size_t k = 0; k < kSignalCount; ++k) {
      if (installed_[k]) sigaction(kEndingSignals[k], &previous_[k], nullptr);
    }
  }
  EraseOnSignal(const EraseOnSignal&) = delete;
  EraseOnSignal& operator=(const EraseOnSignal&) = delete;

 private:
  static constexpr std::size_t kSignalCount = std::size(kEndingSignals);
  struct sigaction previous_[kSignalCount];
  bool installed_[kSignalCount];
};

}  // namespace

// ---- The line ---------------------------------------------------------------

ProgressLine::ProgressLine(std::streambuf& terminal, Millis start,
                           ProgressTiming timing)
    : terminal_(terminal), timing_(timing), start_(start), last_draw_(start) {}

bool ProgressLine::Due(Millis now) const {
  if (now - start_ < timing_.delay) return false;
  return !drawn_before_ || now - last_draw_ >= timing_.interval;
}

void ProgressLine::Draw(const std::string& text, std::size_t width,
                        Millis now) {
  const std::size_t columns = width > 1 ? width - 1 : 1;
  Put(terminal_, kReturn);
  Put(terminal_, text.substr(0, columns));
  Put(terminal_, kClearToEnd);
  terminal_.pubsync();
  shown_ = true;
  drawn_before_ = true;
  last_draw_ = now;
}

void ProgressLine::Skip(Millis now) {
  Erase();
  drawn_before_ = true;
  last_draw_ = now;
}

void ProgressLine::Erase() {
  if (!shown_) return;
  Put(terminal_, kReturn);
  Put(terminal_, kClearToEnd);
  terminal_.pubsync();
  shown_ = false;
}

ErasingStreambuf::int_type ErasingStreambuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  line_.Erase();
  return target_.sputc(traits_type::to_char_type(c));
}

std::streamsize ErasingStreambuf::xsputn(const char* s, std::streamsize n) {
  if (n > 0) line_.Erase();
  return target_.sputn(s, n);
}

int ErasingStreambuf::sync() { return target_.pubsync(); }

// ---- Texts ------------------------------------------------------------------

std::string GroupDigits(uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string FormatDuration(Millis duration) {
  const Millis seconds = duration < 0 ? 0 : duration / kSecond;
  const Millis hours = seconds / 3600;
  const Millis minutes = seconds / 60 % 60;
  auto two_digits = [](Millis n) {
    return std::string(n < 10 ? "0" : "") + std::to_string(n);
  };
  if (hours > 0) {
    return std::to_string(hours) + ":" + two_digits(minutes) + ":" +
           two_digits(seconds % 60);
  }
  return std::to_string(minutes) + ":" + two_digits(seconds % 60);
}

std::string MeasuringText(const Params& params, uint64_t count, double total) {
  const bool records = params.direct_input;
  std::string text = records ? "Reading: " : "Measuring: ";
  text += GroupDigits(count) + (records ? " record" : " file");
  if (count != 1) text += 's';
  return text + ", " + FormatSize(params, total);
}

std::string SearchingText(int32_t generation, int32_t generations,
                          std::size_t bins, unsigned minimum, Millis elapsed,
                          Millis left) {
  std::string text = "Generation " + std::to_string(generation) + "/" +
                     std::to_string(generations) + ": " + GroupDigits(bins) +
                     " bins (minimum " + GroupDigits(minimum) + "), " +
                     FormatDuration(elapsed) + " elapsed";
  if (left >= 0) text += ", " + FormatDuration(left) + " left";
  return text;
}

std::string AdvisingText(bool ga_theo, int32_t generation, int32_t generations,
                         std::size_t bins, unsigned minimum, Millis elapsed,
                         Millis left) {
  // The advice takes the room of the figures it makes less useful, so that
  // the line keeps to its width.
  const std::string head = "Generation " + std::to_string(generation) + "/" +
                           std::to_string(generations) + ": " +
                           GroupDigits(bins) + " bins, ";
  if (!ga_theo && bins <= minimum) {
    std::string text = head + "the minimum: --ga-theo stops here";
    if (left >= 0) text += ", " + FormatDuration(left) + " left";
    return text;
  }
  if (left > kLongWait) {
    return head + FormatDuration(left) + " left; --approximate answers at once";
  }
  return SearchingText(generation, generations, bins, minimum, elapsed, left);
}

// ---- Time left --------------------------------------------------------------

void SearchClock::Note(int32_t generation, Millis now) {
  if (generation == generation_) return;
  generation_ = generation;
  generation_start_ = now;
  if (generation == 2) offspring_start_ = now;
}

Millis SearchClock::TimeLeft(int32_t generations, Millis now) const {
  if (generation_ < 2) return -1;
  // Generation 1 builds the population by first fit and costs something
  // else than a generation of offspring; once one of those has been timed,
  // only they set the pace.
  const bool offspring_timed = generation_ >= 3;
  const Millis from = offspring_timed ? offspring_start_ : start_;
  const int32_t timed = offspring_timed ? generation_ - 2 : 1;
  const double pace = static_cast<double>(generation_start_ - from) / timed;
  const double left = pace * (generations - generation_ + 1) -
                      static_cast<double>(now - generation_start_);
  return left > 0 ? static_cast<Millis>(left) : 0;
}

// ---- Phases -----------------------------------------------------------------

// The line of the phase under way, std::cerr routed around it, and the
// line cleared when a signal ends the program.
class ProgressPhase {
 public:
  ProgressPhase()
      : start_(Now()),
        saved_(std::cerr.rdbuf()),
        line_(*saved_, start_, timing),
        eraser_(*saved_, line_) {
    std::cerr.rdbuf(&eraser_);
  }
  ~ProgressPhase() {
    line_.Erase();
    std::cerr.rdbuf(saved_);
  }
  ProgressPhase(const ProgressPhase&) = delete;
  ProgressPhase& operator=(const ProgressPhase&) = delete;

  Millis start() const { return start_; }
  bool Due(Millis now) const { return line_.Due(now); }
  // Draws `text`, or, in the background, clears the line; either counts as
  // a refresh, so that the foreground test costs a call per interval only.
  void Show(const std::string& text, Millis now) {
    if (InForeground()) {
      line_.Draw(text, TerminalWidth(), now);
    } else {
      line_.Skip(now);
    }
  }

 private:
  EraseOnSignal signals_;
  Millis start_;
  std::streambuf* saved_;  // What std::cerr wrote to before the phase.
  ProgressLine line_;
  ErasingStreambuf eraser_;
};

TerminalProgress::TerminalProgress(const Params& params) : params_(params) {}

TerminalProgress::~TerminalProgress() = default;

void TerminalProgress::MeasuringBegins() {
  // While the names come from the terminal, the line would mix with what
  // the user types.
  const bool typing = params_.read_stdin && IsTerminal(STDIN_FILENO);
  if (params_.verbose || typing || !IsTerminal(STDERR_FILENO)) return;
  assert(phase_ == nullptr);
  phase_ = std::make_unique<ProgressPhase>();
  measured_count_ = 0;
  measured_total_ = 0;
}

void TerminalProgress::Measured(double size) {
  if (phase_ == nullptr) return;
  ++measured_count_;
  measured_total_ += size;
  const Millis now = Now();
  if (!phase_->Due(now)) return;
  phase_->Show(MeasuringText(params_, measured_count_, measured_total_), now);
}

void TerminalProgress::MeasuringEnds() { phase_.reset(); }

void TerminalProgress::SearchBegins(int32_t generations, unsigned minimum) {
  if (params_.verbose || !IsTerminal(STDERR_FILENO)) return;
  assert(phase_ == nullptr);
  phase_ = std::make_unique<ProgressPhase>();
  generations_ = generations;
  minimum_ = minimum;
  clock_ = SearchClock(phase_->start());
}

void TerminalProgress::Searched(int32_t generation, std::size_t best_bins) {
  if (phase_ == nullptr) return;
  const Millis now = Now();
  clock_.Note(generation, now);
  if (!phase_->Due(now)) return;
  phase_->Show(AdvisingText(params_.ga_theo, generation, generations_,
                            best_bins, minimum_, now - phase_->start(),
                            clock_.TimeLeft(generations_, now)),
               now);
}

void TerminalProgress::SearchEnds() { phase_.reset(); }

void SetProgressTiming(ProgressTiming new_timing) { timing = new_timing; }
