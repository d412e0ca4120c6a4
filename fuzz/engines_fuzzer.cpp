// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the search engines and the listing. The first bytes choose
// the engine, its settings (a small population and few generations, so that
// a run stays quick), the target and the printing options; the rest gives
// the items, three bytes each (size, name). After the search, and again
// after the listing has sorted the bins in place, the packing must be
// sound: every item exactly once, no empty bin, no bin over capacity, each
// bin's used equal to its items' sum; and the listing's summary lines must
// count every printed bin and, when all are printed, every item once; and
// with sizes shown, every item is printed once with its own size.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/params.h"
#include "base/size.h"
#include "engines/best_fit.h"
#include "engines/genetic_algorithm.h"
#include "engines/optimizer.h"
#include "engines/packing_check.h"
#include "engines/split.h"
#include "fuzz/fuzz_support.h"
#include "input/input.h"
#include "input/item.h"

namespace {

constexpr std::size_t kMaxItems = 300;
// Plain sizes are hundredths, as written in a typical list of decimals.
constexpr double kPlainStep = 0.01;

enum Engine { kGenetic, kBestFit, kSplit };

struct Setup {
  Params params;
  Engine engine = kGenetic;
  double scale = 1;  // Bytes per size step in byte mode.
};

void ChooseSearch(ByteReader& bytes, Setup& s) {
  Params& p = s.params;
  const uint8_t engine = bytes.Next();
  const uint8_t ga = bytes.Next();
  const uint8_t odds = bytes.Next();
  s.engine = (engine & 3) == 2   ? kBestFit
             : (engine & 3) == 3 ? kSplit
                                 : kGenetic;
  p.approximate = s.engine == kBestFit;
  p.split = s.engine == kSplit;
  p.plain_numbers = engine & 4;
  p.direct_input = p.plain_numbers;
  p.verbose = engine & 8;
  p.ga_theo = engine & 16;
  s.scale = std::ldexp(1.0, (engine >> 5) * 4);  // 1 to 2^28.
  p.ga_pop_size = 3 + (ga & 7);
  p.ga_num_generations = 1 + ((ga >> 3) & 7);
  p.ga_cross_prob = static_cast<float>(odds & 15) / 15;
  p.ga_mutation_prob = static_cast<float>(odds >> 4) / 15;
  p.ga_seed = 1 + bytes.Next();
}

void ChooseListing(ByteReader& bytes, Params& p) {
  const uint8_t shape = bytes.Next();
  const uint8_t order = bytes.Next();
  const uint8_t bins = bytes.Next();
  p.hide_items = shape & 1;
  p.hide_summary = shape & 2;
  p.show_size = shape & 4;
  p.show_bytes = (shape & 8) && !p.plain_numbers;
  if (shape & 16) p.delimiter = '\0';
  if (shape & 32) p.bins_separator = '\0';
  p.enclose = shape & 64;
  p.enclose_char = p.enclose ? '"' : '\0';
  if (shape & 128) {
    p.unit_infix = '\0';
    p.unit_base = 1000;
  }
  p.sort_by_size = order & 1;
  p.sort_reverse = order & 2;
  p.no_case = order & 4;
  // The spare bits of the order byte: a tournament size of 0 to 15 (below 3
  // means 2; above the population size the population grows to fit) and a
  // theoretical minimum of 1 bin to stop at, or 0 to compute it.
  p.ga_sel_pressure = (order >> 3) & 15;
  p.ga_theo_bins = order >> 7;
  if (bins != 0) p.bins = bins;
}

// Sizes are whole steps from 1 to the target's number of steps, so every
// item fits into an empty bin, as the input filter guarantees.
std::vector<std::pair<std::string, double>> ChooseItems(ByteReader& bytes,
                                                        Setup& s) {
  const uint32_t steps = 1 + bytes.Next16();
  const double step = s.params.plain_numbers ? kPlainStep : s.scale;
  s.params.target = steps * step;
  std::vector<std::pair<std::string, double>> items;
  while (bytes.RestSize() >= 3 && items.size() < kMaxItems) {
    const uint32_t size = 1 + bytes.Next16() % steps;
    std::string name(1, static_cast<char>(bytes.Next()));
    name += std::to_string(items.size());
    items.emplace_back(std::move(name), size * step);
  }
  return items;
}

std::unique_ptr<Optimizer> MakeEngine(Input& input, Engine engine) {
  switch (engine) {
    case kBestFit: {
      std::unique_ptr<Optimizer> best_fit = std::make_unique<BestFit>(input);
      std::sort(input.items.begin(), input.items.end(), BySizeDescending);
      return best_fit;
    }
    case kSplit:
      return std::make_unique<Split>(input);
    case kGenetic:
      break;
  }
  return std::make_unique<GeneticAlgorithm>(input);
}

void CheckResult(const Optimizer& engine, const Input& input,
                 const char* when) {
  const std::vector<BinView> bins = engine.ResultBins();
  FUZZ_CHECK(!bins.empty(), "no result");
  const std::string fault = CheckPacking(bins, input.items);
  FUZZ_CHECK(fault.empty(), std::string(when) + ": " + fault);
}

// The summary lines must account for every printed bin and, when all bins
// are printed, for every item. Names cannot hold the text looked for: they
// are one byte and a number.
void CheckListing(const std::string& listing, const Params& p,
                  std::size_t bin_count, std::size_t item_count) {
  if (p.hide_summary) return;
  const std::string marker = ", Items: ";
  const std::string all = "/" + std::to_string(item_count) + "\n";
  std::size_t summaries = 0;
  std::size_t items = 0;
  for (std::size_t at = listing.find(marker); at != std::string::npos;
       at = listing.find(marker, at + 1)) {
    const std::size_t count = at + marker.size();
    const std::size_t slash = listing.find('/', count);
    FUZZ_CHECK(slash != std::string::npos &&
                   listing.compare(slash, all.size(), all) == 0,
               "summary line without the input's item count");
    items += std::stoul(listing.substr(count, slash - count));
    ++summaries;
  }
  const std::size_t shown = std::min<std::size_t>(bin_count, p.bins);
  FUZZ_CHECK(summaries == shown, "a printed bin has no summary line");
  FUZZ_CHECK(shown < bin_count || items == item_count,
             "the summary lines do not count every item once");
}

// With sizes shown after a tab and a newline after each name, every item
// line of the listing is "name<TAB>size". Each item must be printed once,
// with its own size, when every bin is printed. Skipped for names holding a
// tab or a newline, or starting with the bins separator, which such a line
// cannot tell apart.
void CheckItemLines(const std::string& listing, const Params& p,
                    const Input& input, std::size_t bin_count) {
  if (p.hide_items || !p.show_size || p.enclose || p.delimiter != '\n' ||
      p.bins < bin_count) {
    return;
  }
  std::map<std::string, std::pair<const Item*, int>> printed;
  for (const Item* item : input.items) {
    const std::string name(item->name);
    if (name.find_first_of("\t\n") != std::string::npos) return;
    if (name[0] == p.bins_separator) return;  // The separator or the name?
    printed[name] = {item, 0};
  }
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;  // A summary or an empty line.
    auto found = printed.find(line.substr(0, tab));
    // The first item of a bin after the first follows the bins separator.
    if (found == printed.end() && line[0] == p.bins_separator) {
      line.erase(0, 1);
      --tab;
      found = printed.find(line.substr(0, tab));
    }
    FUZZ_CHECK(found != printed.end(), "an unknown item is printed: " + line);
    ++found->second.second;
    FUZZ_CHECK(line.substr(tab + 1) == FormatSize(p, found->second.first->size),
               "an item is printed with another size: " + line +
                   " instead of " + FormatSize(p, found->second.first->size));
  }
  for (const auto& entry : printed) {
    FUZZ_CHECK(entry.second.second == 1,
               "an item is not printed exactly once: " + entry.first);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  ByteReader bytes(data, size);
  Setup setup;
  ChooseSearch(bytes, setup);
  ChooseListing(bytes, setup.params);
  const auto sized_items = ChooseItems(bytes, setup);
  if (sized_items.empty()) return 0;  // The input reader never allows it.

  NullBuffer discard;
  std::ostringstream listing;
  StreamRedirect caught_out(std::cout, listing.rdbuf());
  StreamRedirect quiet_err(std::cerr, &discard);
  Input input(setup.params, sized_items);
  std::unique_ptr<Optimizer> engine = MakeEngine(input, setup.engine);
  engine->Search();
  CheckResult(*engine, input, "after the search");
  listing.str("");  // Only the listing, not the progress lines.
  engine->PrintResult();
  CheckResult(*engine, input, "after the listing");
  const std::size_t bin_count = engine->ResultBins().size();
  CheckListing(listing.str(), setup.params, bin_count, input.items.size());
  CheckItemLines(listing.str(), setup.params, input, bin_count);
  return 0;
}
