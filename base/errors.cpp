// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"

#include <cstdarg>
#include <cstdio>

const char* E_Exception::what() const noexcept { return message_.c_str(); }

const char* E_Exception::detail() const noexcept { return detail_.c_str(); }

E_NoTarget::E_NoTarget(const std::string& program)
    : E_Exception("", "Missing '--target' (Try '" + program +
                          " -h' for more information)") {}

E_NoInputFiles::E_NoInputFiles(const std::string& detail)
    : E_Exception(detail, "No input to process") {}

E_SystemFailure::E_SystemFailure(const char* format, ...) noexcept {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message_, sizeof message_, format, arguments);
  va_end(arguments);
}

std::ostream& operator<<(std::ostream& out, const E_Exception& e) {
  return out << "\n> Error: " << e.what() << std::endl;
}
