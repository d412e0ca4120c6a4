// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmdline/errors.h"

#include <limits>
#include <sstream>

namespace CmdLine {

E_Exception::E_Exception() = default;

E_Exception::E_Exception(const std::string& detail, const std::string& message)
    : message_(message), detail_(detail) {}

E_Exception::~E_Exception() = default;

const char* E_Exception::what() const noexcept { return message_.c_str(); }

const char* E_Exception::detail() const noexcept { return detail_.c_str(); }

std::ostream& operator<<(std::ostream& out, const E_Exception& e) {
  out << "\n> Error: " << e.what() << std::endl;
  return out;
}

E_NoValue::E_NoValue(const std::string& typed) {
  message_ = typed + ": a value was not provided or it is incompatible.";
}

E_Duplicate::E_Duplicate(const std::string& typed) {
  message_ = typed + ": duplicate option.";
}

namespace {

// Numbers are written by a default-formatted stream: a long double in the
// general format with 6 significant digits ("0.95", "1e-05").
template <typename T>
std::string RangeMessage(T value, T min, T max, const std::string& typed) {
  std::ostringstream text;
  text << typed << ": value " << value << " is out of range"
       << ", feasible range: [" << min << ":" << max << "]";
  return text.str();
}

template <typename T>
std::string MaxMinMessage(T min, T max, const std::string& prefix) {
  std::ostringstream text;
  text << prefix << "'max' (" << max << ") smaller than 'min' (" << min << ")"
       << ", feasible range: [" << std::numeric_limits<T>::lowest() << ":"
       << std::numeric_limits<T>::max() << "]";
  return text.str();
}

}  // namespace

E_OutOfRange<long>::E_OutOfRange(long value, long min, long max,
                                 const std::string& typed) {
  message_ = RangeMessage(value, min, max, typed);
}

E_OutOfRange<long double>::E_OutOfRange(long double value, long double min,
                                        long double max,
                                        const std::string& typed) {
  message_ = RangeMessage(value, min, max, typed);
}

E_OutOfRange<char>::E_OutOfRange(const std::string& text, const char* allowed,
                                 const std::string& typed) {
  std::ostringstream out;
  out << typed << ": value '" << text << "' is out of range. Allowed values:";
  for (const char* c = allowed; c != nullptr && *c != '\0'; ++c) {
    out << " '" << *c << "'";
  }
  message_ = out.str();
}

E_OutOfRange<std::string>::E_OutOfRange(const std::string& text,
                                        const std::vector<std::string>& allowed,
                                        const std::string& typed) {
  std::ostringstream out;
  out << typed << ": value '" << text << "' is out of range. Allowed values:";
  for (const std::string& each : allowed) out << " '" << each << "'";
  message_ = out.str();
}

E_MaxMin<long>::E_MaxMin(long min, long max, const std::string& prefix) {
  message_ = MaxMinMessage(min, max, prefix);
}

E_MaxMin<long double>::E_MaxMin(long double min, long double max,
                                const std::string& prefix) {
  message_ = MaxMinMessage(min, max, prefix);
}

}  // namespace CmdLine
