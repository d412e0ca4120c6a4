// SPDX-License-Identifier: GPL-3.0-or-later
// The option registry: five typed tables of command-line options (integer,
// real, flag, character, text) and the walk over the argument vector that
// fills them. Errors are thrown as CmdLine::E_Exception or a class derived
// from it (cmdline/errors.h); warnings go to std::cerr.
#ifndef QUARRIMEL_CMDLINE_PARSER_H_
#define QUARRIMEL_CMDLINE_PARSER_H_

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cmdline/errors.h"

namespace CmdLine {

// Policy bits of one option (Option::flags) and of the registry (policy).
enum : uint32_t {
  QUIET = 1,            // Write no warning to std::cerr.
  RANGE_ERROR = 2,      // Throw E_OutOfRange for a value out of range.
  VALUE_REQUIRED = 4,   // Throw E_NoValue for a missing or unusable value.
  DUPLICATE_ERROR = 8,  // Throw E_Duplicate for a repeated option.
  KEEP_FIRST = 16,      // A repeat is consumed but not applied.
};

class Parser;

// What the five tables share: the records, their keys, the queries and the
// handling of repeats. A table owns every record it creates until it is
// destroyed; a record is reachable from its name and, if it has one, its
// alias.
template <typename T>
class OptionsType {
 public:
  struct Option {
    T value;         // The default until the command line sets one.
    T min;           // Lowest accepted value (integer and real kinds).
    T max;           // Highest accepted value (integer and real kinds).
    bool given;      // An occurrence was applied (even if out of range).
    bool shared;     // Reachable from an alias as well as the name.
    uint32_t flags;  // Policy bits, see QUIET and the others above.
  };

  explicit OptionsType(Parser* owner);
  virtual ~OptionsType();
  OptionsType(const OptionsType&) = delete;
  OptionsType& operator=(const OptionsType&) = delete;

  // Declares an option with flags 0 under `name` and, unless empty, `alias`.
  // Both must start with '-', else throws E_Exception. Declaring a key again
  // points it at the new record; the old record stays owned by the table.
  Option* Add(const std::string& name, const std::string& alias, const T& value,
              const T& min, const T& max);
  // The option's value. Throws E_Exception if `name` was never declared.
  T Get(const std::string& name) const;
  // Stores the option's value in `out` and returns whether the command line
  // gave it. Throws E_Exception if `name` was never declared.
  bool Get(const std::string& name, T& out) const;
  // Decides whether an occurrence of `option`, written as `typed`, is
  // applied: always the first time; for a repeat throws E_Duplicate under
  // DUPLICATE_ERROR, otherwise warns on std::cerr unless QUIET and answers
  // false under KEEP_FIRST.
  // REQUIRES: `option` is a record of this table.
  bool CheckRepeat(Option* option, const std::string& typed);

  Parser* owner;  // The registry holding this table.
  // Name and alias keys, compared byte by byte. Not owning.
  std::map<std::string, Option*> options;

 protected:
  // Looks up `key`; null if it is not declared.
  Option* Find(const std::string& key) const;
  // Writes the "[Ignoring]" warning for an out-of-range value unless QUIET.
  static void WarnOutOfRange(const Option& option, const std::string& typed);

 private:
  std::vector<std::unique_ptr<Option>> records_;  // Every record, once.
};

// Defined, for these five types only, in cmdline/options_type.cpp.
extern template class OptionsType<long>;
extern template class OptionsType<long double>;
extern template class OptionsType<bool>;
extern template class OptionsType<char>;
extern template class OptionsType<std::string>;

// Each Match(i, argv, argc) below is called by Parser::Process for an
// argument argv[i] that starts with '-'. It returns true when the argument
// names one of the table's options and the occurrence was consumed (applied
// or dropped as a repeat), with i advanced past a value argument it took;
// false leaves i and the table unchanged. Options that take a value always
// take the next argument, whatever it looks like.

// What the integer and real tables share: the value is a number read from
// the argument after the option, and applied only within [min, max].
template <typename Number>
class OptionsRanged : public OptionsType<Number> {
 public:
  using Option = typename OptionsType<Number>::Option;
  using OptionsType<Number>::OptionsType;
  // Throws E_MaxMin<Number> if min > max (a NaN bound never throws; it makes
  // every value out of range). The option's flags are the registry's policy
  // at declaration.
  Option* Add(const std::string& name, const std::string& alias, Number value,
              Number min, Number max);

 protected:
  // Match() of both tables. With `fraction_to_real`, a value containing '.'
  // is left to a real option of the same name, if there is one.
  bool MatchNumber(int& i, char** argv, int argc, bool fraction_to_real);
};

extern template class OptionsRanged<long>;
extern template class OptionsRanged<long double>;

// 64-bit signed integer options.
class OptionsINT : public OptionsRanged<long> {
 public:
  using OptionsRanged::OptionsRanged;
  ~OptionsINT() override;
  // A value containing '.' is left to a real option of the same name.
  bool Match(int& i, char** argv, int argc) {
    return MatchNumber(i, argv, argc, true);
  }
};

// Extended-precision real options.
class OptionsFLOAT : public OptionsRanged<long double> {
 public:
  using OptionsRanged::OptionsRanged;
  ~OptionsFLOAT() override;
  bool Match(int& i, char** argv, int argc) {
    return MatchNumber(i, argv, argc, false);
  }
};

// Flag options: false until given; "--name-" switches the flag off.
class OptionsBOOL : public OptionsType<bool> {
 public:
  using OptionsType::OptionsType;
  ~OptionsBOOL() override;
  // Flags get flags 0, not the registry's policy, so a repeat warns.
  Option* Add(const std::string& name, const std::string& alias = "");
  bool Match(int& i, char** argv, int argc);
};

// Single-character options. The value text is empty (NUL), one character, or
// a backslash and one character (\n, \t, \0, \\ and the other C escapes).
class OptionsCHAR : public OptionsType<char> {
 public:
  using OptionsType::OptionsType;
  ~OptionsCHAR() override;
  // `allowed` (not copied: it must outlive the registry) restricts the value
  // to its characters, null meaning any; `allow_empty` also admits NUL.
  Option* Add(const std::string& name, const std::string& alias, char value,
              const char* allowed = nullptr, bool allow_empty = false);
  bool Match(int& i, char** argv, int argc);

  // Allowed characters and allow_empty, under both keys of each option.
  std::map<std::string, std::pair<const char*, bool>> allowed;

 private:
  // Whether `value` is in the set of the option typed as `key`.
  bool IsAllowed(const std::string& key, char value) const;
};

// Text options; the value is taken as it is, even when empty or starting
// with '-'.
class OptionsSTRING : public OptionsType<std::string> {
 public:
  using OptionsType::OptionsType;
  ~OptionsSTRING() override;
  // A non-empty `allowed` restricts the value to those exact texts.
  Option* Add(const std::string& name, const std::string& alias,
              const std::string& value,
              const std::vector<std::string>& allowed = {});
  bool Match(int& i, char** argv, int argc);

  // Allowed texts in declaration order, under both keys of each option;
  // no entry means any text.
  std::map<std::string, std::vector<std::string>> allowed;

 private:
  // Records `texts` as the set of `key`; an empty list means any text.
  void SetAllowed(const std::string& key,
                  const std::vector<std::string>& texts);
  // Whether `text` is in the set of the option typed as `key`.
  bool IsAllowed(const std::string& key, const std::string& text) const;
};

// The registry. Declare options in its tables, call Process once, read the
// values with Get. It keeps pointers into argv, which it does not own.
class Parser {
 public:
  // The policy starts as QUIET | RANGE_ERROR | VALUE_REQUIRED.
  Parser(int argc, char** argv);
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  // Empties `rest`, walks argv[1..argc), offering each argument that starts
  // with '-' to Int, Float, Bool, Char and String in turn, and appends every
  // argument no table takes to `rest` in order (all of them after "--").
  // Returns the number of option occurrences taken. Exceptions thrown by a
  // table end the walk; `rest` then holds what was collected so far.
  int Process(std::list<char*>& rest);
  // The same walk, dropping the arguments that are not options.
  int Process();

  OptionsINT Int;
  OptionsFLOAT Float;
  OptionsBOOL Bool;
  OptionsCHAR Char;
  OptionsSTRING String;
  int argc;
  char** argv;      // Not owned.
  uint32_t policy;  // Flags given to every non-flag option declared.

 private:
  // Offers argv[i] to the five tables; true if one took it.
  bool OfferToTables(int& i);
  // The walk behind both Process forms; `rest` may be null.
  int Walk(std::list<char*>* rest);
};

}  // namespace CmdLine

#endif  // QUARRIMEL_CMDLINE_PARSER_H_
