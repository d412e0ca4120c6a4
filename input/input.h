// The accepted input items, read and measured once at construction.
#ifndef QUARRIMEL_INPUT_INPUT_H_
#define QUARRIMEL_INPUT_INPUT_H_

#include <string>
#include <utility>
#include <vector>

#include "input/item.h"

struct Params;

class Input {
 public:
  // Reads standard input (after a lone "-") and then the arguments of
  // params.input_args (emptying that list), measures or parses every record,
  // and keeps the accepted items. Warnings go to standard error. Throws
  // E_NoInputFiles when nothing was accepted, and a std::runtime_error when
  // standard input cannot be read.
  explicit Input(Params& params);
  // Takes items whose sizes are already known, in the given order, as they
  // are: no reading and no filter. For tests and for callers that measure
  // items themselves.
  Input(Params& params,
        const std::vector<std::pair<std::string, double>>& sized_items);
  ~Input() {
    for (Item* item : items) delete item;
  }
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  std::vector<Item*> items;  // Owned; acceptance order until re-sorted.
  double totalSize = 0;      // Sum of the item sizes, in acceptance order.
  Params* params;            // Not owned.

 private:
  void Read();
  void ReadFileNames();
  void ReadDirectInput();
  void AddFileItem(const std::string& name);
  void AddDirectItem(const std::string& line);
  // Runs the acceptance filter; writes the reason for a refusal to stderr.
  bool Accept(const std::string& name, double size);
  void Append(const std::string& name, double size);
};

inline Input::Input(
    Params& params,
    const std::vector<std::pair<std::string, double>>& sized_items)
    : params(&params) {
  for (const auto& sized : sized_items) Append(sized.first, sized.second);
}

inline void Input::Append(const std::string& name, double size) {
  items.push_back(new Item{name, size, items.size()});
  totalSize += size;
}

#endif  // QUARRIMEL_INPUT_INPUT_H_
