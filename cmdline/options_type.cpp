// SPDX-License-Identifier: GPL-3.0-or-later
// The machinery all five option tables share: records, keys, queries and the
// handling of repeated options.
#include <cassert>

#include "cmdline/parser.h"
#include "cmdline/warning.h"

namespace CmdLine {

namespace {

void CheckKeys(const std::string& name, const std::string& alias) {
  if (name.empty() || name[0] != '-') {
    throw E_Exception("", "Invalid option name: '" + name + "'");
  }
  if (!alias.empty() && alias[0] != '-') {
    throw E_Exception("", "Invalid option alias: '" + alias + "'");
  }
}

}  // namespace

template <typename T>
OptionsType<T>::OptionsType(Parser* owner) : owner(owner) {}

// The records are freed through records_, once each, whichever keys reach
// them; `options` only points into it.
template <typename T>
OptionsType<T>::~OptionsType() = default;

template <typename T>
typename OptionsType<T>::Option* OptionsType<T>::Add(const std::string& name,
                                                     const std::string& alias,
                                                     const T& value,
                                                     const T& min,
                                                     const T& max) {
  CheckKeys(name, alias);
  records_.push_back(
      std::make_unique<Option>(Option{value, min, max, false, false, 0}));
  Option* option = records_.back().get();
  options[name] = option;
  if (!alias.empty()) {
    options[alias] = option;
    option->shared = true;
  }
  return option;
}

template <typename T>
typename OptionsType<T>::Option* OptionsType<T>::Find(
    const std::string& key) const {
  auto entry = options.find(key);
  return entry == options.end() ? nullptr : entry->second;
}

template <typename T>
T OptionsType<T>::Get(const std::string& name) const {
  T value{};
  Get(name, value);
  return value;
}

template <typename T>
bool OptionsType<T>::Get(const std::string& name, T& out) const {
  const Option* option = Find(name);
  if (option == nullptr) {
    throw E_Exception("", "Option " + name + " does not exist");
  }
  out = option->value;
  return option->given;
}

template <typename T>
bool OptionsType<T>::CheckRepeat(Option* option, const std::string& typed) {
  assert(option != nullptr);
  if (!option->given) return true;
  if (option->flags & DUPLICATE_ERROR) throw E_Duplicate(typed);
  if (!(option->flags & QUIET)) {
    Warn("Option '" + typed + "' was declared more than once.");
  }
  return !(option->flags & KEEP_FIRST);
}

template <typename T>
void OptionsType<T>::WarnOutOfRange(const Option& option,
                                    const std::string& typed) {
  if (option.flags & QUIET) return;
  Warn("[Ignoring] Option '" + typed + "': value out of range.");
}

template class OptionsType<long>;
template class OptionsType<long double>;
template class OptionsType<bool>;
template class OptionsType<char>;
template class OptionsType<std::string>;

}  // namespace CmdLine
