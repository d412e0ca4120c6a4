// SPDX-License-Identifier: GPL-3.0-or-later
// Where the option library's warnings go. A warning is one line of text,
// given without the "> " that starts it or the end of line. Until a program
// hands its own way of warning to SetWarningSink, they are written to
// std::cerr as "> <text>" and an end of line.
#ifndef QUARRIMEL_CMDLINE_WARNING_H_
#define QUARRIMEL_CMDLINE_WARNING_H_

#include <string>

namespace CmdLine {

using WarningSink = void (*)(const std::string& text);

// Every warning from now on goes to `sink`; nullptr restores std::cerr.
void SetWarningSink(WarningSink sink);

// Hands `text` to the sink.
void Warn(const std::string& text);

}  // namespace CmdLine

#endif  // QUARRIMEL_CMDLINE_WARNING_H_
