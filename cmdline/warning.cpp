// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmdline/warning.h"

#include <iostream>

namespace CmdLine {
namespace {

void WarnOnStandardError(const std::string& text) {
  std::cerr << "> " << text << std::endl;
}

WarningSink sink = WarnOnStandardError;

}  // namespace

void SetWarningSink(WarningSink new_sink) {
  sink = new_sink != nullptr ? new_sink : WarnOnStandardError;
}

void Warn(const std::string& text) { sink(text); }

}  // namespace CmdLine
