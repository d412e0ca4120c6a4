// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the program warns: a problem that does not end the run, such
// as an item left out, reported on standard error.
#ifndef QUARRIMEL_BASE_WARNING_H_
#define QUARRIMEL_BASE_WARNING_H_

#include <string>

// Writes "> ", `text` and an end of line to std::cerr, flushed, so that the
// warning is out before anything else the run writes. While a progress line
// is shown, std::cerr erases it first.
void Warn(const std::string& text);

#endif  // QUARRIMEL_BASE_WARNING_H_
