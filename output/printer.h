// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a finished packing: for each bin the names of its items and a
// summary line, in the orders and with the separators the options ask for.
// Optimizer::PrintResult() (declared in engines/optimizer.h) writes the
// engine's result to standard output with these.
#ifndef QUARRIMEL_OUTPUT_PRINTER_H_
#define QUARRIMEL_OUTPUT_PRINTER_H_

#include <cstddef>
#include <ostream>
#include <vector>

#include "engines/bin.h"
#include "engines/bin_view.h"
#include "input/item.h"

struct Params;

// The listing's bin order: least room first, then fewer items first.
bool BinOrder(const BinView& a, const BinView& b);

// Item orders; each is a strict "a goes before b".
bool BySizeAscending(const Item* a, const Item* b);
// Names compared as unsigned bytes; a proper prefix goes first.
bool ByName(const Item* a, const Item* b);
bool ByNameReverse(const Item* a, const Item* b);
// Names compared with a to z upper-cased and every byte taken as signed, so
// the bytes 128 to 255 go before the ASCII ones.
bool ByNameNoCase(const Item* a, const Item* b);
bool ByNameNoCaseReverse(const Item* a, const Item* b);

using ItemOrder = bool (*)(const Item* a, const Item* b);
// --sort-by-size first (largest first with --sort-reverse), else --no-case,
// else byte-wise names; --sort-reverse reverses the name orders.
ItemOrder ChooseItemOrder(const Params& params);

// What the listing shows of a run besides its bins.
struct ResultTotals {
  double total_size = 0;       // Sum of all input sizes.
  std::size_t item_count = 0;  // Number of input items.
};

// Sorts `bins` by BinOrder (unless --split), then writes at most --bins of
// them to `out`, each with its items in the order the options ask for. With
// `flush_summaries`, flushes `out` after every summary line, so a reader on
// a pipe gets each bin as soon as it is complete. Write errors are left in
// the stream's state for the caller to check.
void WriteResult(std::ostream& out, const Params& params,
                 std::vector<BinView>& bins, const ResultTotals& totals,
                 bool flush_summaries);
// The same for bins with item lists of their own; `bins` keep their order.
void WriteResult(std::ostream& out, const Params& params,
                 const std::vector<Bin>& bins, const ResultTotals& totals,
                 bool flush_summaries);

#endif  // QUARRIMEL_OUTPUT_PRINTER_H_
