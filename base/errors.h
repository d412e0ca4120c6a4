// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own errors: the ones that end a run for reasons of the tool
// rather than of the option syntax. main() reports them with status 2.
#ifndef QUARRIMEL_BASE_ERRORS_H_
#define QUARRIMEL_BASE_ERRORS_H_

#include <cstddef>
#include <exception>
#include <ostream>
#include <string>

// Base of the program errors. std::exception is a private base so that a
// handler for std::exception does not catch these: main() gives them their
// own exit status.
class E_Exception : private std::exception {
 public:
  E_Exception(const std::string& detail, const std::string& message)
      : message_(message), detail_(detail) {}
  ~E_Exception() override = default;

  // The complete message; valid as long as the object.
  const char* what() const noexcept override;
  // A second text for the curious; nothing prints it.
  virtual const char* detail() const noexcept;

 private:
  std::string message_;  // What main() reports.
  std::string detail_;   // Empty for every error the program throws.
};

// No usable target: absent, unreadable, not finite, or 0 or less. `program`
// is named in the hint; callers pass the fixed name "quarrimel".
class E_NoTarget : public E_Exception {
 public:
  explicit E_NoTarget(const std::string& program);
};

// No input item was accepted, so there is nothing to pack.
class E_NoInputFiles : public E_Exception {
 public:
  explicit E_NoInputFiles(const std::string& detail);
};

// A failure of what the run depends on rather than of its input: memory that
// cannot be had, an input or output that cannot be read or written, a
// working directory that cannot be returned to. It is the one class of the
// program's errors that end a run with status 3. It is a public
// std::exception, so main() reports it with status 3. The message is composed
// in place when it is thrown, so that neither building nor reporting it needs
// memory, which may be what ran out.
class E_SystemFailure : public std::exception {
 public:
  // printf-style; a message longer than the buffer is cut short.
  [[gnu::format(printf, 2, 3)]] explicit E_SystemFailure(const char* format,
                                                         ...) noexcept;
  const char* what() const noexcept override { return message_; }

 private:
  // Room for a message that names a path of the longest length the program
  // handles (4095 bytes) with the system's reason.
  static constexpr std::size_t kMessageBytes = 4608;
  char message_[kMessageBytes];
};

// Writes a newline, "> Error: ", what() and a flushed end of line.
std::ostream& operator<<(std::ostream& out, const E_Exception& e);

#endif  // QUARRIMEL_BASE_ERRORS_H_
