// SPDX-License-Identifier: GPL-3.0-or-later
// Decimal numbers read the same with every C++ standard library. Formatted
// extraction (`stream >> x`) leaves the syntax to the library: GNU libstdc++
// reads "0x10" as 0, "7x" as 7 and 4.9e-324 as that subnormal number, LLVM's
// libc++ reads 16, refuses "7x", refuses subnormal numbers and takes "inf".
// These functions read what libstdc++ reads, whatever the library.
#ifndef QUARRIMEL_CMDLINE_DECIMAL_H_
#define QUARRIMEL_CMDLINE_DECIMAL_H_

namespace CmdLine {

// The end of the longest start of [begin, end) of the form
//   [+-] digits [. digits] [(e|E) [+-] digits]
// where each run of digits may be empty and the exponent letter counts
// only after a digit: where GNU libstdc++'s number reader stops.
const char* ScanDecimal(const char* begin, const char* end);

// The number at the start of [begin, end), white space not skipped, the
// text after it ignored. False when that start is not a whole number text
// ("", "-", ".", "1e", "1e+") or its value is beyond the type's range; a
// value below the smallest normal number is kept, as strtod() rounds it.
// In the "C" locale, which the program never leaves.
bool ReadDecimal(const char* begin, const char* end, double& value);
bool ReadDecimal(const char* begin, const char* end, long double& value);

}  // namespace CmdLine

#endif  // QUARRIMEL_CMDLINE_DECIMAL_H_
