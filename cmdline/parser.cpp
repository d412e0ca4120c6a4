// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmdline/parser.h"

#include <cstring>

namespace CmdLine {

Parser::Parser(int argc, char** argv)
    : Int(this),
      Float(this),
      Bool(this),
      Char(this),
      String(this),
      argc(argc),
      argv(argv),
      policy(QUIET | RANGE_ERROR | VALUE_REQUIRED) {}

int Parser::Process(std::list<char*>& rest) { return Walk(&rest); }

int Parser::Process() { return Walk(nullptr); }

// The order matters: an integer table that sees "1.5" for an option that is
// also real leaves it to Float, and "--ga-theo" without a number falls
// through Int to Bool.
bool Parser::OfferToTables(int& i) {
  return Int.Match(i, argv, argc) || Float.Match(i, argv, argc) ||
         Bool.Match(i, argv, argc) || Char.Match(i, argv, argc) ||
         String.Match(i, argv, argc);
}

int Parser::Walk(std::list<char*>* rest) {
  if (rest != nullptr) rest->clear();
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) {
      if (rest != nullptr) rest->insert(rest->end(), argv + i + 1, argv + argc);
      return count;
    }
    if (argv[i][0] == '-' && OfferToTables(i)) {
      ++count;
      continue;
    }
    // Not an option, or one that no table took: an ordinary argument.
    if (rest != nullptr) rest->push_back(argv[i]);
  }
  return count;
}

}  // namespace CmdLine
