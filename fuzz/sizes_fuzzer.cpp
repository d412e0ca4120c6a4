// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the size and number readers and the size printer. The first
// byte chooses the settings (--si, plain numbers, --show-bytes); the rest is
// the text to read. Properties:
// - ParseNumber reads exactly what `stream >> double` reads from the text:
//   the same success and the same value;
// - ParseSize succeeds exactly when the text is not empty and starts with a
//   number, and yields that number times 1 or a power of the unit base;
// - FormatSize writes a number and a unit that read back as the size (to
//   the digits printed), in the largest unit the size reaches.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

#include "base/params.h"
#include "base/size.h"
#include "fuzz/fuzz_support.h"

namespace {

// Above this, the 16 significant digits printed read back as an overflow.
constexpr double kLargestReadable = 1.797693134862315e308;

bool SameDouble(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// The reference: formatted extraction from a string stream.
bool StreamNumber(const std::string& text, double& value) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  in >> value;
  return !in.fail();
}

void CheckParseNumber(const std::string& text) {
  double value = 0;
  double expected = 0;
  const bool ok = ParseNumber(text, value);
  FUZZ_CHECK(ok == StreamNumber(text, expected),
             "ParseNumber and the stream disagree on success");
  FUZZ_CHECK(!ok || SameDouble(value, expected),
             "ParseNumber and the stream read different values");
}

void CheckParseSize(const Params& params, const std::string& text) {
  double number = 0;
  const bool has_number = !text.empty() && ParseNumber(text, number);
  double value = 0;
  FUZZ_CHECK(ParseSize(params, text, value) == has_number,
             "ParseSize success differs from its number's");
  if (!has_number) return;
  const double base = params.unit_base;
  double factor = 1;
  bool matched = false;
  for (int power = 0; power <= 4 && !matched; ++power) {
    matched = SameDouble(value, number * factor);
    factor *= base;
  }
  FUZZ_CHECK(matched, "ParseSize value is no unit multiple of the number");
}

// The power of the unit base FormatSize must choose for `size`.
int ExpectedPower(double magnitude, double base) {
  double factor = base * base * base * base;
  for (int power = 4; power >= 1; --power) {
    if (magnitude >= factor) return power;
    factor /= base;
  }
  return 0;
}

void CheckPlainText(const std::string& text, double size) {
  double back = 0;
  FUZZ_CHECK(ParseNumber(text, back), "plain size does not read back");
  FUZZ_CHECK(std::fabs(back - size) <= std::fabs(size) * 1e-15,
             "plain size reads back as another number: " + text);
}

void CheckUnitText(const Params& params, const std::string& text, double size) {
  const int power = ExpectedPower(std::fabs(size), params.unit_base);
  std::string unit = "Bytes";
  if (power > 0) {
    unit = std::string(1, "KMGT"[power - 1]);
    if (params.unit_infix != '\0') unit += params.unit_infix;
    unit += 'B';
  }
  std::string shown = text;
  if (params.show_bytes) {
    const std::size_t open = shown.rfind(" (");
    FUZZ_CHECK(open != std::string::npos && shown.back() == ')',
               "byte count missing: " + text);
    shown.erase(open);
  }
  FUZZ_CHECK(
      shown.size() > unit.size() &&
          shown.compare(shown.size() - unit.size(), unit.size(), unit) == 0,
      "wrong unit in " + text);
  double number = 0;
  FUZZ_CHECK(ParseNumber(shown.substr(0, shown.size() - unit.size()), number),
             "no number in " + text);
  // Compared in the unit printed: near the largest double, the number times
  // its unit would overflow.
  const double scaled =
      size / std::pow(static_cast<double>(params.unit_base), power);
  const double half_digit = power > 0 ? 0.005 : 0.5;
  FUZZ_CHECK(std::fabs(number - scaled) <=
                 half_digit * (1 + 1e-12) + std::fabs(scaled) * 1e-15,
             "printed number is not the size: " + text);
}

void CheckFormatSize(const Params& params, double size) {
  const std::string text = FormatSize(params, size);
  if (!std::isfinite(size)) return;  // Only that it does not crash.
  if (params.plain_numbers) {
    // Below the normal range the 16 digits printed hold more than the bits;
    // at the top, 16 digits round the largest doubles past the range.
    if (std::fabs(size) >= DBL_MIN && std::fabs(size) <= kLargestReadable) {
      CheckPlainText(text, size);
    }
  } else {
    CheckUnitText(params, text, size);
  }
}

Params ChooseParams(uint8_t choice) {
  Params params;
  if (choice & 1) {
    params.unit_infix = '\0';
    params.unit_base = 1000;
  }
  params.plain_numbers = choice & 2;
  params.show_bytes = (choice & 4) && !params.plain_numbers;
  return params;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  ByteReader bytes(data, size);
  const Params params = ChooseParams(bytes.Next());
  const std::string text(reinterpret_cast<const char*>(bytes.Rest()),
                         bytes.RestSize());
  CheckParseNumber(text);
  CheckParseSize(params, text);
  double number = 0;
  if (ParseNumber(text, number)) CheckFormatSize(params, number);
  // Any bit pattern, too: sizes reach the printer from sums and differences.
  if (text.size() >= sizeof(double)) {
    double raw = 0;
    std::memcpy(&raw, text.data(), sizeof raw);
    CheckFormatSize(params, raw);
  }
  return 0;
}
