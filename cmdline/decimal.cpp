// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmdline/decimal.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace CmdLine {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSign(char c) { return c == '+' || c == '-'; }

// Converts the scanned text with `convert` (strtod or strtold), which must
// take all of it: the text is copied so that the C library sees no more
// than the scan allowed ("0x1p3" is "0" here, hexadecimal there). errno is
// left as it was.
template <typename Number>
bool Convert(const char* begin, const char* end, Number& value,
             Number (*convert)(const char*, char**)) {
  const char* stop = ScanDecimal(begin, end);
  thread_local std::string text;
  text.assign(begin, stop);
  const int saved = errno;
  char* used = nullptr;
  const Number number = convert(text.c_str(), &used);
  errno = saved;
  if (used != text.c_str() + text.size() || text.empty()) return false;
  if (std::isinf(number)) return false;  // Beyond the range.
  value = number;
  return true;
}

}  // namespace

const char* ScanDecimal(const char* begin, const char* end) {
  const char* p = begin;
  if (p != end && IsSign(*p)) ++p;
  bool digits = false, point = false;
  for (; p != end; ++p) {
    if (IsDigit(*p)) {
      digits = true;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits && p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p != end && IsSign(*p)) ++p;
    while (p != end && IsDigit(*p)) ++p;
  }
  return p;
}

bool ReadDecimal(const char* begin, const char* end, double& value) {
  return Convert<double>(begin, end, value, std::strtod);
}

bool ReadDecimal(const char* begin, const char* end, long double& value) {
  return Convert<long double>(begin, end, value, std::strtold);
}

}  // namespace CmdLine
