// SPDX-License-Identifier: GPL-3.0-or-later
// The five option tables: how each kind is declared and how it reads, checks
// and stores the value that follows an option on the command line.
#include <cstring>
#include <iostream>
#include <sstream>

#include "cmdline/decimal.h"
#include "cmdline/parser.h"

namespace CmdLine {

namespace {

// Formatted extraction: leading white space skipped, the rest of the text
// after the number ignored ("12abc" is 12, "1.9" is 1, "0x10" is 0). False
// when the stream fails, which includes a value beyond the type's range.
template <typename Number>
bool ReadNumber(const char* text, Number& value) {
  std::istringstream in(text);
  in >> std::dec >> value;
  return !in.fail();
}

// The same for a real number, but read alike with every standard library
// (cmdline/decimal.h): libc++'s extraction would take "0x.8", "inf" and
// "nan" and refuse "0.5x".
template <>
bool ReadNumber(const char* text, long double& value) {
  const char* end = text + std::strlen(text);
  // White space as a stream in the "C" locale skips it.
  while (text != end && std::strchr(" \t\n\v\f\r", *text) != nullptr) ++text;
  return ReadDecimal(text, end, value);
}

char Unescape(char letter) {
  switch (letter) {
    case '0':
      return '\0';
    case 'a':
      return '\a';
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'v':
      return '\v';
    default:
      return letter;  // So "\\" is a backslash.
  }
}

// "" is NUL, "x" is x, "\x" is the escape x; anything longer is refused.
bool ReadCharacter(const char* text, char& value) {
  const size_t length = std::strlen(text);
  if (length == 0) {
    value = '\0';
  } else if (length == 1) {
    value = text[0];
  } else if (length == 2 && text[0] == '\\') {
    value = Unescape(text[1]);
  } else {
    return false;
  }
  return true;
}

// An integer, real or text option found no usable value. Once an earlier
// occurrence was applied the option just declines, so the option and the
// text after it become ordinary arguments.
template <typename Record>
bool DeclineMissingValue(const Record& option, const std::string& typed) {
  if (!option.given && (option.flags & VALUE_REQUIRED)) {
    throw E_NoValue(typed);
  }
  return false;
}

// A character option found no usable value; earlier occurrences do not
// matter here.
bool DeclineMissingCharacter(const OptionsCHAR::Option& option,
                             const std::string& typed) {
  if (option.flags & VALUE_REQUIRED) throw E_NoValue(typed);
  return false;
}

}  // namespace

OptionsINT::~OptionsINT() = default;
OptionsFLOAT::~OptionsFLOAT() = default;
OptionsBOOL::~OptionsBOOL() = default;
OptionsCHAR::~OptionsCHAR() = default;
OptionsSTRING::~OptionsSTRING() = default;

template <typename Number>
typename OptionsRanged<Number>::Option* OptionsRanged<Number>::Add(
    const std::string& name, const std::string& alias, Number value, Number min,
    Number max) {
  if (min > max) throw E_MaxMin<Number>(min, max, "Option " + name + ": ");
  Option* option = OptionsType<Number>::Add(name, alias, value, min, max);
  option->flags = this->owner->policy;
  return option;
}

template <typename Number>
bool OptionsRanged<Number>::MatchNumber(int& i, char** argv, int argc,
                                        bool fraction_to_real) {
  const std::string typed = argv[i];
  Option* option = this->Find(typed);
  if (option == nullptr) return false;
  Number value = 0;
  if (i + 1 >= argc || !ReadNumber(argv[i + 1], value)) {
    return DeclineMissingValue(*option, typed);
  }
  // "1.5" read as an integer 1 would lose the fraction: a real option of
  // the same name takes it instead.
  if (fraction_to_real && std::strchr(argv[i + 1], '.') != nullptr &&
      this->owner->Float.options.count(typed) != 0) {
    return false;
  }
  ++i;
  if (!this->CheckRepeat(option, typed)) return true;
  option->given = true;
  // Written so that a NaN value or bound counts as out of range.
  if (!(option->min <= value && value <= option->max)) {
    if (option->flags & RANGE_ERROR) {
      throw E_OutOfRange<Number>(value, option->min, option->max, typed);
    }
    this->WarnOutOfRange(*option, typed);
  } else {
    option->value = value;
  }
  return true;
}

template class OptionsRanged<long>;
template class OptionsRanged<long double>;

OptionsBOOL::Option* OptionsBOOL::Add(const std::string& name,
                                      const std::string& alias) {
  return OptionsType::Add(name, alias, false, false, false);
}

bool OptionsBOOL::Match(int& i, char** argv, int /*argc*/) {
  const std::string typed = argv[i];
  std::string key = typed;
  bool value = true;
  // "--si-" switches "--si" off; a lone "-" is a name, not a negation.
  if (key.size() >= 2 && key.back() == '-') {
    key.pop_back();
    value = false;
  }
  Option* option = Find(key);
  if (option == nullptr) return false;
  if (CheckRepeat(option, typed)) {
    option->given = true;
    option->value = value;
  }
  return true;
}

OptionsCHAR::Option* OptionsCHAR::Add(const std::string& name,
                                      const std::string& alias, char value,
                                      const char* allowed_chars,
                                      bool allow_empty) {
  Option* option = OptionsType::Add(name, alias, value, '\0', '\0');
  option->flags = owner->policy;
  // The set belongs to the option, whichever key the user types.
  allowed[name] = {allowed_chars, allow_empty};
  if (!alias.empty()) allowed[alias] = {allowed_chars, allow_empty};
  return option;
}

bool OptionsCHAR::IsAllowed(const std::string& key, char value) const {
  auto entry = allowed.find(key);
  if (entry == allowed.end() || entry->second.first == nullptr) return true;
  // strchr would find NUL as the terminator of any set.
  if (value == '\0') return entry->second.second;
  return std::strchr(entry->second.first, value) != nullptr;
}

bool OptionsCHAR::Match(int& i, char** argv, int argc) {
  const std::string typed = argv[i];
  Option* option = Find(typed);
  if (option == nullptr) return false;
  if (i + 1 >= argc) return DeclineMissingCharacter(*option, typed);
  if (!CheckRepeat(option, typed)) {
    ++i;
    return true;
  }
  const char old = option->value;
  const char* text = argv[i + 1];
  char value = '\0';
  if (ReadCharacter(text, value)) {
    option->value = value;
    option->given = true;
  } else if (!option->given) {
    return DeclineMissingCharacter(*option, typed);
  }
  // An unreadable text after an applied occurrence is consumed and the
  // current value checked again.
  if (!IsAllowed(typed, option->value)) {
    if (option->flags & RANGE_ERROR) {
      throw E_OutOfRange<char>(text, allowed.at(typed).first, typed);
    }
    WarnOutOfRange(*option, typed);
    option->value = old;
  }
  ++i;
  return true;
}

OptionsSTRING::Option* OptionsSTRING::Add(
    const std::string& name, const std::string& alias, const std::string& value,
    const std::vector<std::string>& allowed_texts) {
  Option* option = OptionsType::Add(name, alias, value, "", "");
  option->flags = owner->policy;
  SetAllowed(name, allowed_texts);
  if (!alias.empty()) SetAllowed(alias, allowed_texts);
  return option;
}

// An empty list removes a restriction left by an earlier declaration of the
// same key, so the newest declaration alone decides.
void OptionsSTRING::SetAllowed(const std::string& key,
                               const std::vector<std::string>& texts) {
  if (texts.empty()) {
    allowed.erase(key);
  } else {
    allowed[key] = texts;
  }
}

bool OptionsSTRING::IsAllowed(const std::string& key,
                              const std::string& text) const {
  auto entry = allowed.find(key);
  if (entry == allowed.end()) return true;
  for (const std::string& each : entry->second) {
    if (each == text) return true;
  }
  return false;
}

bool OptionsSTRING::Match(int& i, char** argv, int argc) {
  const std::string typed = argv[i];
  Option* option = Find(typed);
  if (option == nullptr) return false;
  if (i + 1 >= argc) return DeclineMissingValue(*option, typed);
  ++i;
  if (!CheckRepeat(option, typed)) return true;
  option->given = true;
  const std::string text = argv[i];
  if (IsAllowed(typed, text)) {
    option->value = text;
  } else {
    if (option->flags & RANGE_ERROR) {
      throw E_OutOfRange<std::string>(text, allowed.at(typed), typed);
    }
    WarnOutOfRange(*option, typed);
  }
  return true;
}

}  // namespace CmdLine
