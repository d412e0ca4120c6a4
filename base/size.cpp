// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/size.h"

#include <cctype>
#include <cmath>
#include <cstddef>
#include <ios>
#include <locale>
#include <new>
#include <ostream>
#include <sstream>

#include "base/params.h"
#include "cmdline/decimal.h"

namespace {

// White space as a stream in the "C" locale skips it before a number.
bool IsStreamSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)); }

// b to the n-th, by repeated multiplication.
double Power(double base, int n) {
  double result = 1;
  for (int i = 0; i < n; ++i) result *= base;
  return result;
}

// 1, 2, 3, 4 for the unit letters k, m, g, t in either case; 0 otherwise.
int UnitPower(char letter) {
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'k':
      return 1;
    case 'm':
      return 2;
    case 'g':
      return 3;
    case 't':
      return 4;
    default:
      return 0;
  }
}

// The unit letter is the first of the letters that end the text, looked for
// no further left than position 1 (position 0 holds the number). "10k5" gives
// 'k': the last character need not be a letter itself.
char UnitLetter(const std::string& text) {
  std::size_t pos = text.size() - 1;
  while (pos >= 2 && IsLetter(text[pos - 1])) --pos;
  return text[pos];
}

// Writes `size` in the largest unit it reaches ("1.50KiB"), or in bytes.
// Only the choice of the unit looks at the magnitude; the sign is kept.
void WriteScaled(std::ostream& out, const Params& params, double size) {
  static const char kPrefixes[] = "KMGT";
  const double base = params.unit_base;
  const double magnitude = std::fabs(size);
  for (int power = 4; power >= 1; --power) {
    const double factor = Power(base, power);
    if (magnitude >= factor) {
      out.precision(2);
      out << size / factor << kPrefixes[power - 1];
      if (params.unit_infix != '\0') out << params.unit_infix;
      out << 'B';
      return;
    }
  }
  out.precision(0);
  out << size << "Bytes";
}

// A stream that could not grow its text marks itself bad instead of
// throwing, and would hand back the text cut short: a size printed wrong.
std::string Text(const std::ostringstream& out) {
  if (out.bad()) throw std::bad_alloc();
  return out.str();
}

}  // namespace

bool ParseNumber(const std::string& text, double& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin != end && IsStreamSpace(*begin)) ++begin;
  return CmdLine::ReadDecimal(begin, end, value);
}

bool ParseSize(const Params& params, const std::string& text, double& value) {
  if (text.empty() || !ParseNumber(text, value)) return false;
  char unit = UnitLetter(text);
  // The factor is formed first, then applied, so rounding is that of
  // value * (b * b * ...), the same for every caller.
  if (IsLetter(unit)) value *= Power(params.unit_base, UnitPower(unit));
  return true;
}

std::string FormatSize(const Params& params, double size) {
  // One stream serves every call: sizes are formatted per printed item and
  // per summary line, and making a stream each time would be the main cost.
  static std::ostringstream out;
  static const bool kImbued = (out.imbue(std::locale::classic()), true);
  (void)kImbued;
  out.str("");
  out.clear();
  if (params.plain_numbers) {
    out.unsetf(std::ios_base::floatfield);
    out.precision(16);
    out << size;
    return Text(out);
  }
  out.setf(std::ios_base::fixed, std::ios_base::floatfield);
  WriteScaled(out, params, size);
  if (params.show_bytes) {
    out.precision(0);
    out << " (" << size << ')';
  }
  return Text(out);
}
