// SPDX-License-Identifier: GPL-3.0-or-later
// The help and version texts, written to standard output on request.
#ifndef QUARRIMEL_APP_HELP_H_
#define QUARRIMEL_APP_HELP_H_

// Writes the option summary; `program` is the name shown in the usage lines
// (the program passes its fixed name, not the one it was started under).
void PrintHelp(const char* program);

// Writes the seven-line version, copyright and licence notice.
void PrintVersion();

#endif  // QUARRIMEL_APP_HELP_H_
