// SPDX-License-Identifier: GPL-3.0-or-later
// The accepted input items, read and measured once at construction.
#ifndef QUARRIMEL_INPUT_INPUT_H_
#define QUARRIMEL_INPUT_INPUT_H_

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "input/item.h"
#include "input/name_store.h"

struct Params;

class Input {
 public:
  // Reads standard input (after a lone "-") and then the arguments of
  // params.input_args (emptying that list), measures or parses every record,
  // and keeps the accepted items. Warnings go to standard error. Throws
  // E_NoInputFiles when nothing was accepted, and E_SystemFailure when
  // standard input cannot be read. Each file, directory or record measured
  // is reported to `progress`.
  explicit Input(Params& params, ProgressObserver& progress = NoProgress());
  // Takes items whose sizes are already known, in the given order, as they
  // are: no reading and no filter. For tests and for callers that measure
  // items themselves.
  Input(Params& params,
        const std::vector<std::pair<std::string, double>>& sized_items);
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  // Sorts `items` largest first; items of equal size keep the order they
  // had (input order, unless the caller reordered them). Faster on millions
  // of items than sorting the pointers (see input.cpp).
  void SortBySizeDescending();
  // The item with `id`. REQUIRES: id < items.size().
  Item* ItemWithId(std::size_t id) { return &storage_[id]; }

  // Points into `storage_`; acceptance order until re-sorted.
  std::vector<Item*> items;
  double totalSize = 0;  // Sum of the item sizes, in acceptance order.
  Params* params;        // Not owned.

 private:
  ProgressObserver& progress_;  // Told of each record measured.

  // The items themselves, side by side in acceptance order: the engines
  // read item sizes constantly, and neighbours in memory keep those reads
  // cheap. A member, so that it is freed even when the constructor throws.
  std::deque<Item> storage_;
  NameStore names_;  // The bytes of every item's name.

  void Read();
  void ReadFileNames();
  void ReadDirectInput();
  // Hands each record of standard input (after a lone "-"), then each
  // argument, to `add`, emptying params->input_args.
  void ForEachRecord(void (Input::*add)(const std::string&));
  void AddFileItem(const std::string& name);
  void AddDirectItem(const std::string& line);
  // The size of a direct-input number: in plain mode the number itself,
  // false unless finite; otherwise the number times the unit, truncated to
  // whole bytes and rounded up to the block, false when that is negative,
  // not a number or beyond 64 bits.
  [[nodiscard]] bool DirectSize(double number, double& size) const;
  // Runs the acceptance filter; writes the reason for a refusal to stderr.
  bool Accept(const std::string& name, double size);
  // Writes "> [Ignoring] <what>(<limit>): <name> (<size>)" to stderr.
  void RefuseBeyond(const char* what, double limit, const std::string& name,
                    double size) const;
  // Keeps an accepted item; `items` lists it once reading is over.
  void Append(std::string_view name, double size);
  // Fills `items` from `storage_`, in one block of exactly the right size: a
  // list grown item by item would end up to twice as big as needed.
  void ListItems();

  std::string token_;       // The size token of the current direct record.
  std::string identifier_;  // Its identifier; both reused to save allocations.
};

// Splits the bytes read from `fd` into records ending in `delimiter` and
// hands each one to `handle` as soon as it is complete. Only the delimiter is
// removed: blanks, carriage returns, NUL and bytes that are not UTF-8 stay.
// Two delimiters in a row give an empty record; a last record without a
// delimiter is still handed over, and a delimiter at the very end adds no
// empty record. Reads to the end of the input; throws E_SystemFailure
// "Could not read standard input: <reason>" when read() fails, so that part
// of the input is never taken for all of it.
void ReadRecords(int fd, char delimiter,
                 const std::function<void(const std::string&)>& handle);

inline Input::Input(
    Params& params,
    const std::vector<std::pair<std::string, double>>& sized_items)
    : params(&params), progress_(NoProgress()) {
  for (const auto& sized : sized_items) Append(sized.first, sized.second);
  ListItems();
}

inline void Input::ListItems() {
  items.reserve(storage_.size());
  for (Item& item : storage_) items.push_back(&item);
}

inline void Input::Append(std::string_view name, double size) {
  storage_.push_back(Item{names_.Keep(name), size, storage_.size()});
  totalSize += size;
}

#endif  // QUARRIMEL_INPUT_INPUT_H_
