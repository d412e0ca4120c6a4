// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/printer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/params.h"
#include "base/size.h"
#include "engines/optimizer.h"
#include "input/input.h"

namespace {

// Upper-cases a to z only, whatever the locale, and yields the byte as a
// signed value: that is what places the bytes 128 to 255 first.
signed char NoCaseKey(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return static_cast<signed char>(c);
}

bool LessNoCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const signed char x = NoCaseKey(a[i]), y = NoCaseKey(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// FormatSize through a memo. Formatting goes through a string stream, and a
// listing repeats sizes a lot: the capacity and the total on every summary
// line, and often the same filled sizes and differences (full bins above
// all). Keys are the bit patterns, so -0 and 0 stay apart; the memo stops
// growing at kMaxEntries, after which new sizes are formatted each time.
class SizeTexts {
 public:
  explicit SizeTexts(const Params& params) : params_(params) {}
  // The text stays valid until the next call.
  const std::string& Format(double size) {
    std::uint64_t key;
    std::memcpy(&key, &size, sizeof key);
    auto found = texts_.find(key);
    if (found != texts_.end()) return found->second;
    if (texts_.size() < kMaxEntries) {
      return texts_.emplace(key, FormatSize(params_, size)).first->second;
    }
    spare_ = FormatSize(params_, size);
    return spare_;
  }

 private:
  static constexpr std::size_t kMaxEntries = 1 << 16;
  const Params& params_;
  std::unordered_map<std::uint64_t, std::string> texts_;
  std::string spare_;  // The last text formatted past the memo's bound.
};

// The items of a bin lie anywhere in memory, and sorting them reads each
// item and then its name, one trip to memory after another. Asking for the
// items of the next bin, and for the names of this one, before they are
// read lets those trips overlap: on millions of items they were most of
// the listing's time. A hint only; nothing depends on it.
void Prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  static_cast<void>(address);
#endif
}

void PrefetchItems(const BinView& bin) {
  for (const Item* item : bin) Prefetch(item);
}

void PrefetchNames(const std::vector<Item*>& items) {
  for (const Item* item : items) Prefetch(item->name.data());
}

// Writes the bins of one listing; holds what every bin's text needs.
class Listing {
 public:
  Listing(const Params& params, const ResultTotals& totals)
      : params_(params),
        totals_(totals),
        order_(ChooseItemOrder(params)),
        sizes_(params) {}

  // The whole text of the bin at `index` of the printed bins. The bins
  // separator goes in front of every bin but the first, so that the flush
  // after a summary line comes before it, as if it closed the earlier bin.
  void AppendBin(std::string& out, const BinView& bin, std::size_t index) {
    if (params_.hide_items) {
      if (!params_.hide_summary) AppendSummary(out, bin, index + 1);
      return;
    }
    if (index > 0) out += params_.bins_separator;
    AppendItems(out, bin);
    if (!params_.hide_summary) {
      out += '\n';
      AppendSummary(out, bin, index + 1);
    }
  }

 private:
  // Sorts (a copy of) the bin's items, then appends each with its
  // decorations and the item delimiter.
  void AppendItems(std::string& out, const BinView& bin) {
    sorted_.assign(bin.begin(), bin.end());
    PrefetchNames(sorted_);
    std::stable_sort(sorted_.begin(), sorted_.end(), order_);
    for (const Item* item : sorted_) {
      if (params_.enclose) out += params_.enclose_char;
      out += item->name;
      if (params_.enclose) out += params_.enclose_char;
      if (params_.show_size) {
        out += '\t';
        out += sizes_.Format(item->size);
      }
      out += params_.delimiter;
    }
  }

  // "[n] used/capacity of total, Diff: room, Items: k/N" and a newline.
  void AppendSummary(std::string& out, const BinView& bin, std::size_t number) {
    out += '[';
    out += std::to_string(number);
    out += "] ";
    out += sizes_.Format(bin.used);
    out += '/';
    out += sizes_.Format(bin.capacity);
    out += " of ";
    out += sizes_.Format(totals_.total_size);
    out += ", Diff: ";
    out += sizes_.Format(bin.capacity - bin.used);
    out += ", Items: ";
    out += std::to_string(bin.count);
    out += '/';
    out += std::to_string(totals_.item_count);
    out += '\n';
  }

  const Params& params_;
  const ResultTotals& totals_;
  const ItemOrder order_;  // Chosen once from the options.
  SizeTexts sizes_;
  std::vector<Item*> sorted_;  // The items of the bin being written.
};

// A pipe, a terminal or a device shows each bin as soon as its summary line
// is flushed. A regular file ends up with the same bytes whether or not the
// stream is flushed per bin, and there a flush per bin would cost a system
// call per bin, the bulk of the time on a large listing.
bool StandardOutputIsRegularFile() {
  struct stat info;
  return fstat(STDOUT_FILENO, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool BinOrder(const BinView& a, const BinView& b) {
  if (a.room() != b.room()) return a.room() < b.room();
  return a.count < b.count;
}

bool BySizeAscending(const Item* a, const Item* b) { return a->size < b->size; }
bool ByName(const Item* a, const Item* b) { return a->name < b->name; }
bool ByNameReverse(const Item* a, const Item* b) { return b->name < a->name; }
bool ByNameNoCase(const Item* a, const Item* b) {
  return LessNoCase(a->name, b->name);
}
bool ByNameNoCaseReverse(const Item* a, const Item* b) {
  return LessNoCase(b->name, a->name);
}

ItemOrder ChooseItemOrder(const Params& params) {
  if (params.sort_by_size) {
    return params.sort_reverse ? BySizeDescending : BySizeAscending;
  }
  if (params.no_case) {
    return params.sort_reverse ? ByNameNoCaseReverse : ByNameNoCase;
  }
  return params.sort_reverse ? ByNameReverse : ByName;
}

void WriteResult(std::ostream& out, const Params& params,
                 std::vector<BinView>& bins, const ResultTotals& totals,
                 bool flush_summaries) {
  if (!params.split) std::stable_sort(bins.begin(), bins.end(), BinOrder);
  const std::size_t shown = std::min<std::size_t>(bins.size(), params.bins);
  Listing listing(params, totals);
  if (params.verbose) out.put('\n');
  std::string text;  // One bin at a time, written in one piece.
  for (std::size_t i = 0; i < shown; ++i) {
    if (!params.hide_items && i + 1 < shown) PrefetchItems(bins[i + 1]);
    text.clear();
    listing.AppendBin(text, bins[i], i);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (flush_summaries && !params.hide_summary) out.flush();
  }
}

void WriteResult(std::ostream& out, const Params& params,
                 const std::vector<Bin>& bins, const ResultTotals& totals,
                 bool flush_summaries) {
  std::vector<BinView> views = ViewsOf(bins);
  WriteResult(out, params, views, totals, flush_summaries);
}

void Optimizer::PrintResult() {
  std::vector<BinView> bins = ResultBins();
  WriteResult(std::cout, params, bins,
              ResultTotals{totalSize, input.items.size()},
              !StandardOutputIsRegularFile());
}
