// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/warning.h"

#include <iostream>

void Warn(const std::string& text) { std::cerr << "> " << text << std::endl; }
