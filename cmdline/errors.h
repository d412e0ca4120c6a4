// SPDX-License-Identifier: GPL-3.0-or-later
// The exceptions of the option library. Each one composes its complete
// message when it is constructed, so a handler only needs what().
#ifndef QUARRIMEL_CMDLINE_ERRORS_H_
#define QUARRIMEL_CMDLINE_ERRORS_H_

#include <exception>
#include <ostream>
#include <string>
#include <vector>

namespace CmdLine {

// Root of every option error. std::exception is a private base on purpose: a
// handler for std::exception does not catch option errors, so main() needs a
// handler of its own for them.
class E_Exception : private std::exception {
 public:
  // `detail` is a second text for detail(); the library always passes "".
  E_Exception(const std::string& detail, const std::string& message);
  ~E_Exception() override;
  // The complete message.
  const char* what() const noexcept override;
  // The second text; empty for every exception of this library.
  virtual const char* detail() const noexcept;

 protected:
  E_Exception();         // Derived classes compose the message, then store it.
  std::string message_;  // Returned by what().
  std::string detail_;   // Returned by detail().
};

// Writes "\n> Error: ", what() and std::endl (so the stream is flushed).
std::ostream& operator<<(std::ostream& out, const E_Exception& e);

// An option that needs a value came last, or its value did not convert.
// `typed` is the option exactly as the user wrote it (name or alias).
class E_NoValue : public E_Exception {
 public:
  explicit E_NoValue(const std::string& typed);
};

// An option given again while its record forbids repeats.
class E_Duplicate : public E_Exception {
 public:
  explicit E_Duplicate(const std::string& typed);
};

// A value outside an option's range or allowed set. Defined for long,
// long double, char and std::string only.
template <typename T>
class E_OutOfRange;

template <>
class E_OutOfRange<long> : public E_Exception {
 public:
  E_OutOfRange(long value, long min, long max, const std::string& typed);
};

template <>
class E_OutOfRange<long double> : public E_Exception {
 public:
  E_OutOfRange(long double value, long double min, long double max,
               const std::string& typed);
};

template <>
class E_OutOfRange<char> : public E_Exception {
 public:
  // `text` is the value argument before escape conversion; `allowed` is the
  // option's NUL-terminated set of characters (null lists none).
  E_OutOfRange(const std::string& text, const char* allowed,
               const std::string& typed);
};

template <>
class E_OutOfRange<std::string> : public E_Exception {
 public:
  E_OutOfRange(const std::string& text, const std::vector<std::string>& allowed,
               const std::string& typed);
};

// A declaration whose maximum lies below its minimum. `prefix` is
// "Option " + name + ": ". Defined for long and long double only.
template <typename T>
class E_MaxMin;

template <>
class E_MaxMin<long> : public E_Exception {
 public:
  E_MaxMin(long min, long max, const std::string& prefix);
};

template <>
class E_MaxMin<long double> : public E_Exception {
 public:
  E_MaxMin(long double min, long double max, const std::string& prefix);
};

}  // namespace CmdLine

#endif  // QUARRIMEL_CMDLINE_ERRORS_H_
