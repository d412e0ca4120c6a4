// SPDX-License-Identifier: GPL-3.0-or-later
// A one-line report of how far a long phase has got, kept on standard error
// while it is a terminal, so that someone waiting for a large tree to be
// measured or a long search to end sees that it moves:
//
//   Measuring: 12,345 files, 1.20GiB
//   Reading: 12,345 records, 1.20GiB       (direct input)
//   Generation 120/460: 4,010 bins (minimum 4,000), 0:12 elapsed, 0:34 left
//   Generation 15/400: 100 bins, the minimum: --ga-theo stops here, 0:04 left
//   Generation 3/575: 34,567 bins, 51:53 left; --approximate answers at once
//
// The search line gives the best packing's bins and the theoretical minimum.
// It also advises: once the best packing has the minimum, nothing better
// can come, and --ga-theo would have stopped there; while more than a
// minute is left, --approximate would answer at once. The advice takes the
// place of figures that matter less then. Each form stays within 79 columns
// up to about a hundred thousand items, and is cut to the terminal's width
// beyond.
//
// The line appears once a phase has lasted a second, is redrawn at most four
// times a second, and is erased ("\r", then the erase-to-end-of-line
// sequence) before any message goes to standard error, when the phase ends
// and when SIGINT or SIGTERM ends the program, so the terminal keeps only
// the messages. It is never shown under --verbose, when standard error is
// not a terminal, while this process runs in the background of that
// terminal, or (while measuring) when the names are read from that
// terminal. Nothing here writes to standard output or draws from the random
// generator: a run gives the same listing, exit status and messages with or
// without a terminal.
#ifndef QUARRIMEL_APP_PROGRESS_LINE_H_
#define QUARRIMEL_APP_PROGRESS_LINE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <streambuf>
#include <string>

#include "base/progress.h"

struct Params;

// Milliseconds of a monotonic clock.
using Millis = int64_t;

// When a line may be drawn: not before `delay` after the phase began, then
// not more often than once per `interval`.
struct ProgressTiming {
  Millis delay = 1000;
  Millis interval = 250;
};

// The line itself, on a terminal reached through `terminal`. Times are given
// by the caller, so that the drawing rules do not depend on a real clock.
class ProgressLine {
 public:
  ProgressLine(std::streambuf& terminal, Millis start, ProgressTiming timing);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // True when a line drawn at `now` would respect the delay and the interval.
  bool Due(Millis now) const;
  // Replaces what the line shows by `text`, cut to `width` - 1 columns so
  // that the terminal never wraps it (text is one byte per column).
  void Draw(const std::string& text, std::size_t width, Millis now);
  // Counts `now` as a refresh but clears the line instead of drawing it.
  void Skip(Millis now);
  // Clears the line and leaves the cursor at its start; nothing when no line
  // is shown.
  void Erase();
  bool shown() const { return shown_; }

 private:
  std::streambuf& terminal_;
  ProgressTiming timing_;
  Millis start_;               // When the phase began.
  Millis last_draw_;           // When the line was last drawn.
  bool drawn_before_ = false;  // Has the line been drawn in this phase?
  bool shown_ = false;         // Is a line on the terminal now?
};

// Passes everything on to `target`, erasing `line` before the first byte of
// each message, so that no message starts in the middle of a progress line.
class ErasingStreambuf : public std::streambuf {
 public:
  ErasingStreambuf(std::streambuf& target, ProgressLine& line)
      : target_(target), line_(line) {}

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  std::streambuf& target_;
  ProgressLine& line_;
};

// Estimates the time a search has left from the pace of its generations.
class SearchClock {
 public:
  explicit SearchClock(Millis start) : start_(start) {}
  // The search is in `generation` at `now`.
  void Note(int32_t generation, Millis now);
  // Time left until `generations` have run, as of `now`; negative while the
  // first generation runs and nothing can be told yet.
  Millis TimeLeft(int32_t generations, Millis now) const;

 private:
  Millis start_;                 // When the search began.
  int32_t generation_ = 0;       // The generation last noted.
  Millis generation_start_ = 0;  // When it was first noted.
  Millis offspring_start_ = 0;   // When generation 2 was first noted.
};

// The texts of the line.

// 1234567 as "1,234,567".
std::string GroupDigits(uint64_t n);
// Whole seconds as "0:07", "12:34" or "1:02:03".
std::string FormatDuration(Millis duration);
// "Measuring: <count> files, <size>", or "Reading: <count> records, <size>"
// in direct-input mode; the size as the listing writes sizes.
std::string MeasuringText(const Params& params, uint64_t count, double total);
// "Generation <g>/<G>: <bins> bins (minimum <m>), <elapsed> elapsed", then
// ", <left> left" unless `left` is negative (not known yet).
std::string SearchingText(int32_t generation, int32_t generations,
                          std::size_t bins, unsigned minimum, Millis elapsed,
                          Millis left);
// The search line as shown: while `bins` is the minimum and `ga_theo` (the
// search stops at the minimum) is false,
// "Generation <g>/<G>: <bins> bins, the minimum: --ga-theo stops here", then
// ", <left> left" if known; else, with more than a minute left,
// "Generation <g>/<G>: <bins> bins, <left> left; --approximate answers at
// once"; else SearchingText().
std::string AdvisingText(bool ga_theo, int32_t generation, int32_t generations,
                         std::size_t bins, unsigned minimum, Millis elapsed,
                         Millis left);

class ProgressPhase;

// The progress of a run on the terminal: while measuring or searching lasts,
// the line of that phase, if the rules above allow. One phase at a time;
// while a line may be shown, std::cerr writes through an ErasingStreambuf.
class TerminalProgress : public ProgressObserver {
 public:
  // `params` is read when a phase begins, and must outlive this.
  explicit TerminalProgress(const Params& params);
  ~TerminalProgress() override;
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void MeasuringBegins() override;
  void Measured(double size) override;
  void MeasuringEnds() override;
  // The search's generation count is `generations`.
  void SearchBegins(int32_t generations, unsigned minimum) override;
  void Searched(int32_t generation, std::size_t best_bins) override;
  void SearchEnds() override;

 private:
  const Params& params_;
  std::unique_ptr<ProgressPhase> phase_;  // Null when no line may be shown.
  uint64_t measured_count_ = 0;           // Files or records so far.
  double measured_total_ = 0;             // Their bytes.
  int32_t generations_ = 0;               // Of the search under way.
  unsigned minimum_ = 0;                  // Its theoretical minimum.
  SearchClock clock_{0};
};

// For tests: the timing of the phases started from now on.
void SetProgressTiming(ProgressTiming timing);

#endif  // QUARRIMEL_APP_PROGRESS_LINE_H_
