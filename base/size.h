// SPDX-License-Identifier: GPL-3.0-or-later
// Reading sizes with unit suffixes and printing them for people.
#ifndef QUARRIMEL_BASE_SIZE_H_
#define QUARRIMEL_BASE_SIZE_H_

#include <string>

struct Params;

// Reads a double from the start of `text` as GNU libstdc++'s formatted
// stream extraction does, with any standard library (leading white space
// skipped, trailing text ignored; see cmdline/decimal.h). Returns false
// when no number can be read; `value` is then unspecified.
[[nodiscard]] bool ParseNumber(const std::string& text, double& value);

// Reads a number followed by an optional unit letter (k, m, g, t, any case;
// powers of params.unit_base) into bytes. Returns false for an empty text or
// one that does not start with a number.
[[nodiscard]] bool ParseSize(const Params& params, const std::string& text,
                             double& value);

// "1.50KiB", "512Bytes", "1.50KB" with --si, "12.5" in plain mode, with
// " (bytes)" appended under --show-bytes.
std::string FormatSize(const Params& params, double size);

#endif  // QUARRIMEL_BASE_SIZE_H_
