// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the option library's tests: an argument vector as main()
// receives it, a capture of std::cerr, and the message of a thrown option
// error.
#ifndef QUARRIMEL_CMDLINE_TEST_UTIL_H_
#define QUARRIMEL_CMDLINE_TEST_UTIL_H_

#include <iostream>
#include <list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cmdline/errors.h"

// A writable argv: the program name, then `args`, then a null pointer.
class Argv {
 public:
  explicit Argv(std::vector<std::string> args) : texts_(std::move(args)) {
    texts_.insert(texts_.begin(), "quarrimel");
    for (std::string& text : texts_) pointers_.push_back(text.data());
    pointers_.push_back(nullptr);
  }
  Argv(const Argv&) = delete;
  Argv& operator=(const Argv&) = delete;

  int argc() const { return static_cast<int>(texts_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> texts_;  // Owns the texts argv points at.
  std::vector<char*> pointers_;     // argv itself.
};

// Sends std::cerr into a string until it goes out of scope.
class StderrCapture {
 public:
  StderrCapture() : saved_(std::cerr.rdbuf(captured_.rdbuf())) {}
  ~StderrCapture() { std::cerr.rdbuf(saved_); }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  std::string text() const { return captured_.str(); }

 private:
  std::ostringstream captured_;
  std::streambuf* saved_;  // Restored on destruction.
};

// Runs `action`; returns the message of the option error it throws, or ""
// when it throws none.
template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const CmdLine::E_Exception& e) {
    return e.what();
  }
  return "";
}

// The texts of a list that Process filled.
inline std::vector<std::string> Texts(const std::list<char*>& list) {
  return std::vector<std::string>(list.begin(), list.end());
}

#endif  // QUARRIMEL_CMDLINE_TEST_UTIL_H_
