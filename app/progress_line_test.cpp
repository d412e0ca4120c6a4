// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/progress_line.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "base/params.h"
#include "testing/terminal.h"

namespace {

constexpr Millis kStart = 5000;  // Any clock reading will do.

class ProgressLineTest : public ::testing::Test {
 protected:
  std::stringbuf terminal_;
  ProgressLine line_{terminal_, kStart, ProgressTiming{1000, 250}};
};

TEST_F(ProgressLineTest, WaitsForTheDelayThenRefreshesAtMostPerInterval) {
  EXPECT_FALSE(line_.Due(kStart));
  EXPECT_FALSE(line_.Due(kStart + 999));
  EXPECT_TRUE(line_.Due(kStart + 1000));
  line_.Draw("a", 80, kStart + 1100);
  EXPECT_FALSE(line_.Due(kStart + 1349));
  EXPECT_TRUE(line_.Due(kStart + 1350));
  // A background refresh counts too: the next one waits a whole interval.
  line_.Skip(kStart + 1400);
  EXPECT_FALSE(line_.Due(kStart + 1649));
  EXPECT_TRUE(line_.Due(kStart + 1650));
}

TEST_F(ProgressLineTest, OverwritesItselfAndIsErasedOnce) {
  line_.Erase();  // Nothing shown yet: nothing to erase.
  line_.Draw("first", 80, kStart + 1000);
  line_.Draw("2nd", 80, kStart + 1250);
  EXPECT_TRUE(line_.shown());
  line_.Erase();
  line_.Erase();
  EXPECT_FALSE(line_.shown());
  EXPECT_EQ(terminal_.str(), "\rfirst\033[K\r2nd\033[K\r\033[K");
}

TEST_F(ProgressLineTest, StaysShortOfTheLastColumn) {
  line_.Draw("abcdef", 4, kStart + 1000);
  line_.Skip(kStart + 1250);  // Clears the line without drawing.
  EXPECT_FALSE(line_.shown());
  EXPECT_EQ(terminal_.str(), "\rabc\033[K\r\033[K");
}

TEST_F(ProgressLineTest, ErasingStreambufClearsTheLineBeforeEachMessage) {
  ErasingStreambuf eraser(terminal_, line_);
  std::ostream messages(&eraser);
  messages << "> before" << std::endl;  // No line yet: passed on unchanged.
  line_.Draw("line", 80, kStart + 1000);
  messages << "> Could not read: " << 'x' << std::endl;
  messages.put('>').put('\n');
  EXPECT_EQ(terminal_.str(),
            "> before\n\rline\033[K\r\033[K> Could not read: x\n>\n");
}

TEST(SearchClockTest, PaceOfTheGenerationsOfOffspring) {
  SearchClock clock(0);
  clock.Note(1, 100);
  EXPECT_LT(clock.TimeLeft(10, 500), 0);  // Nothing timed yet.
  // Generation 1 took 1 s: 9 more such at 2.5 s into generation 2.
  clock.Note(2, 1000);
  EXPECT_EQ(clock.TimeLeft(10, 2500), 9000 - 1500);
  // Generation 2 took 3 s: it alone sets the pace from now on.
  clock.Note(3, 4000);
  clock.Note(3, 4500);  // The same generation again changes nothing.
  EXPECT_EQ(clock.TimeLeft(10, 5000), 8 * 3000 - 1000);
  clock.Note(10, 25000);  // 7 generations of 3 s each.
  EXPECT_EQ(clock.TimeLeft(10, 26000), 2000);
  EXPECT_EQ(clock.TimeLeft(10, 29000), 0);  // Late: never negative.
}

TEST(ProgressTextTest, GroupsDigitsInThrees) {
  const struct {
    uint64_t n;
    const char* text;
  } cases[] = {{0, "0"},
               {999, "999"},
               {1000, "1,000"},
               {1234567, "1,234,567"},
               {UINT64_MAX, "18,446,744,073,709,551,615"}};
  for (const auto& c : cases) EXPECT_EQ(GroupDigits(c.n), c.text);
}

TEST(ProgressTextTest, FormatsDurationsInWholeSeconds) {
  const struct {
    Millis duration;
    const char* text;
  } cases[] = {{-5, "0:00"},
               {999, "0:00"},
               {7000, "0:07"},
               {754999, "12:34"},
               {3599000, "59:59"},
               {3723000, "1:02:03"},
               {360000000, "100:00:00"}};
  for (const auto& c : cases) EXPECT_EQ(FormatDuration(c.duration), c.text);
}

TEST(ProgressTextTest, MeasuringLineNamesWhatIsCounted) {
  Params params;
  EXPECT_EQ(MeasuringText(params, 12345, 1288490189.0),
            "Measuring: 12,345 files, 1.20GiB");
  params.direct_input = true;
  params.di_unit = 1024;
  EXPECT_EQ(MeasuringText(params, 1, 512), "Reading: 1 record, 512Bytes");
  params.plain_numbers = true;  // Sizes without a unit stay plain numbers.
  EXPECT_EQ(MeasuringText(params, 3, 42.5), "Reading: 3 records, 42.5");
}

TEST(ProgressTextTest, SearchingLineFitsEightyColumns) {
  EXPECT_EQ(SearchingText(120, 460, 4010, 4000, 12 * 1000, 34 * 1000),
            "Generation 120/460: 4,010 bins (minimum 4,000), 0:12 elapsed, "
            "0:34 left");
  EXPECT_EQ(SearchingText(1, 345, 678, 667, 1500, -1),
            "Generation 1/345: 678 bins (minimum 667), 0:01 elapsed");
  // The automatic generation count and a long run for 100,000 items.
  const std::string large =
      SearchingText(575, 575, 34567, 33333, 754 * 1000, 3723 * 1000);
  EXPECT_LT(large.size(), 80u) << large;
}

TEST(ProgressTextTest, SearchingLineAdvisesWithinEightyColumns) {
  const struct {
    const char* name;
    bool ga_theo;
    std::size_t bins;
    unsigned minimum;
    Millis left;
    const char* text;
  } cases[] = {
      {"minimum reached", false, 4000, 4000, 34 * 1000,
       "Generation 120/460: 4,000 bins, the minimum: --ga-theo stops here, "
       "0:34 left"},
      {"minimum reached, time left not known yet", false, 4000, 4000, -1,
       "Generation 120/460: 4,000 bins, the minimum: --ga-theo stops here"},
      // The minimum is the better advice: it gives the best result at once.
      {"minimum reached, a long wait", false, 4000, 4000, 3723 * 1000,
       "Generation 120/460: 4,000 bins, the minimum: --ga-theo stops here, "
       "1:02:03 left"},
      {"past a minute left", false, 4010, 4000, 60 * 1000 + 1000,
       "Generation 120/460: 4,010 bins, 1:01 left; --approximate answers at "
       "once"},
      {"--ga-theo given, a long wait", true, 4010, 4000, 51 * 60 * 1000,
       "Generation 120/460: 4,010 bins, 51:00 left; --approximate answers at "
       "once"},
      {"a minute left", false, 4010, 4000, 60 * 1000,
       "Generation 120/460: 4,010 bins (minimum 4,000), 0:12 elapsed, "
       "1:00 left"},
      // --ga-theo already stops the search at the minimum.
      {"--ga-theo given, minimum reached", true, 4000, 4000, 34 * 1000,
       "Generation 120/460: 4,000 bins (minimum 4,000), 0:12 elapsed, "
       "0:34 left"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        AdvisingText(c.ga_theo, 120, 460, c.bins, c.minimum, 12 * 1000, c.left),
        c.text);
  }
  // The automatic generation count and a long run for 100,000 items.
  for (const std::size_t bins : {33333u, 34567u}) {
    const std::string large =
        AdvisingText(false, 575, 575, bins, 33333, 754 * 1000, 3123 * 1000);
    EXPECT_LT(large.size(), 80u) << large;
  }
}

// Standard input and error go to `path` while this lives.
class StdioTo {
 public:
  explicit StdioTo(const std::string& path)
      : saved_in_(dup(STDIN_FILENO)), saved_err_(dup(STDERR_FILENO)) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    dup2(fd, STDIN_FILENO);
    dup2(fd, STDERR_FILENO);
    close(fd);
  }
  ~StdioTo() {
    dup2(saved_in_, STDIN_FILENO);
    dup2(saved_err_, STDERR_FILENO);
    close(saved_in_);
    close(saved_err_);
  }

 private:
  int saved_in_;
  int saved_err_;
};

// What reached the terminal: a pseudo-terminal may hand over what was written
// in several parts, so reading goes on until `expected` bytes have come or
// nothing more comes.
std::string ReadShown(PseudoTerminal& terminal, std::size_t expected) {
  std::string shown;
  for (int tries = 0; tries < 20 && (tries == 0 || shown.size() < expected);
       ++tries) {
    terminal.Read(shown, 100);
  }
  return shown;
}

// What the terminal shows, read until it ends with `end`: a line of unknown
// length may reach the reading side in pieces.
std::string ReadShownUntil(PseudoTerminal& terminal, const std::string& end) {
  std::string shown;
  for (int tries = 0; tries < 20 && (shown.size() < end.size() ||
                                     shown.compare(shown.size() - end.size(),
                                                   end.size(), end) != 0);
       ++tries) {
    terminal.Read(shown, 100);
  }
  return shown;
}

TEST(MeasuringProgressTest, ShownOnATerminalUnlessVerboseOrTyping) {
  const struct {
    const char* name;
    bool verbose;
    bool read_stdin;  // Standard input is the terminal too.
    const char* shown;
  } cases[] = {
      {"names from the arguments", false, false,
       "\rMeasuring: 1 file, 7Bytes\033[K\r\033[K"},
      {"--verbose", true, false, ""},
      {"names typed on the terminal", false, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Params params;
    params.verbose = c.verbose;
    params.read_stdin = c.read_stdin;
    PseudoTerminal terminal;
    {
      const StdioTo redirect(terminal.slave_name());
      SetProgressTiming(ProgressTiming{0, 0});
      TerminalProgress progress(params);
      const MeasuringPhase phase(progress);
      progress.Measured(7);
      SetProgressTiming(ProgressTiming{});
    }
    EXPECT_EQ(ReadShown(terminal, std::strlen(c.shown)), c.shown);
  }
}

// The search line, drawn at the first report and erased when the search
// ends; under --verbose nothing.
TEST(SearchProgressLineTest, DrawnAtTheFirstReportAndErasedAtTheEnd) {
  const struct {
    const char* name;
    bool verbose;
    const char* shown;
  } cases[] = {
      {"plain", false,
       "\rGeneration 1/10: 30 bins (minimum 24), 0:00 elapsed\033[K"
       "\r\033[K"},
      {"--verbose", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Params params;
    params.verbose = c.verbose;
    PseudoTerminal terminal;
    {
      const StdioTo redirect(terminal.slave_name());
      // Drawn at the first report, and never again until erased.
      SetProgressTiming(ProgressTiming{0, 1000000});
      TerminalProgress progress(params);
      const SearchPhase phase(progress, 10, 24);
      progress.Searched(1, 30);
      progress.Searched(2, 29);
      SetProgressTiming(ProgressTiming{});
    }
    EXPECT_EQ(ReadShown(terminal, std::strlen(c.shown)), c.shown);
  }
}

// The advice on the terminal: the minimum reached at once, then a search
// paced at a few milliseconds a generation for a million generations.
TEST(SearchProgressLineTest, AdvisesOnTheTerminal) {
  const struct {
    const char* name;
    int32_t generations;
    std::size_t second_bins;  // The best packing in generation 2.
    const char* shown;        // What the second drawing starts with.
  } cases[] = {
      {"minimum reached", 1000000, 24,
       "\rGeneration 2/1000000: 24 bins, the minimum: --ga-theo stops here, "},
      {"a long wait", 1000000, 25, "\rGeneration 2/1000000: 25 bins, "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Params params;
    PseudoTerminal terminal;
    {
      const StdioTo redirect(terminal.slave_name());
      SetProgressTiming(ProgressTiming{0, 0});
      TerminalProgress progress(params);
      const SearchPhase phase(progress, c.generations, 24);
      progress.Searched(1, 30);
      usleep(5000);  // Generation 1 takes 5 ms, so the wait is hours long.
      progress.Searched(2, c.second_bins);
      SetProgressTiming(ProgressTiming{});
    }
    const std::string first =
        "\rGeneration 1/1000000: 30 bins (minimum 24), 0:00 elapsed\033[K";
    // The line ends with the advice and is then erased.
    const std::string shown = ReadShownUntil(terminal, "\033[K\r\033[K");
    ASSERT_EQ(shown.compare(0, first.size(), first), 0) << shown;
    const std::string second = shown.substr(first.size());
    EXPECT_EQ(second.compare(0, std::strlen(c.shown), c.shown), 0) << second;
    const std::string end = c.second_bins == 24
                                ? " left\033[K\r\033[K"
                                : " left; --approximate answers at once"
                                  "\033[K\r\033[K";
    ASSERT_GE(second.size(), end.size()) << second;
    EXPECT_EQ(second.substr(second.size() - end.size()), end) << second;
  }
}

}  // namespace
