// SPDX-License-Identifier: GPL-3.0-or-later
// The program's option table: declares every option with its names, default
// and range, and turns the command line into the parameters record.
#ifndef QUARRIMEL_APP_OPTIONS_H_
#define QUARRIMEL_APP_OPTIONS_H_

#include "base/params.h"

// Declares the program's options, walks the command line and fills `params`.
// Returns false when the help or version text was printed (the run ends with
// status 0). Throws the option library's exceptions for bad options and
// E_NoTarget for a missing, unreadable or non-positive target.
bool ParseOptions(Params& params);

#endif  // QUARRIMEL_APP_OPTIONS_H_
