// SPDX-License-Identifier: GPL-3.0-or-later
// Standard output for the C++ streams, written with write() straight to
// descriptor 1.
#ifndef QUARRIMEL_APP_STANDARD_OUTPUT_H_
#define QUARRIMEL_APP_STANDARD_OUTPUT_H_

#include <cstddef>
#include <ostream>
#include <streambuf>

// A stream buffer over descriptor 1 that keeps the errno of the write that
// failed: the reason then reported is that of the failing call, not whatever
// a later call left in errno. Its buffer is part of the object, so writing
// never asks for memory. After a failed write it writes nothing more.
class StandardOutputBuffer : public std::streambuf {
 public:
  StandardOutputBuffer() { setp(buffer_, buffer_ + kBufferBytes); }
  StandardOutputBuffer(const StandardOutputBuffer&) = delete;
  StandardOutputBuffer& operator=(const StandardOutputBuffer&) = delete;

  // errno of the first write that failed; 0 while none has.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize size) override;
  int sync() override;

 private:
  static constexpr std::size_t kBufferBytes = 1 << 16;

  // Writes the buffered bytes; false once a write has failed.
  bool Drain();
  bool WriteAll(const char* data, std::size_t size);

  char buffer_[kBufferBytes];
  int error_ = 0;
};

// Puts a StandardOutputBuffer under `stream` for as long as it lives, then
// flushes it and gives the stream its own buffer back.
class ScopedStandardOutput {
 public:
  explicit ScopedStandardOutput(std::ostream& stream)
      : stream_(stream), previous_(stream.rdbuf(&buffer_)) {}
  ~ScopedStandardOutput();
  ScopedStandardOutput(const ScopedStandardOutput&) = delete;
  ScopedStandardOutput& operator=(const ScopedStandardOutput&) = delete;

  // Flushes the stream; throws E_SystemFailure, with the failing write's
  // reason, if anything written to it could not be written.
  void Check();

 private:
  StandardOutputBuffer buffer_;
  std::ostream& stream_;
  std::streambuf* previous_;
};

#endif  // QUARRIMEL_APP_STANDARD_OUTPUT_H_
