// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets share: quiet standard streams, a way to fail loudly,
// and a reader of option bytes from the front of an input.
#ifndef QUARRIMEL_FUZZ_FUZZ_SUPPORT_H_
#define QUARRIMEL_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>

// A stream buffer that accepts everything and keeps nothing.
class NullBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// Points a standard stream at another buffer for as long as it lives; the
// program's help texts, listings and progress lines would otherwise cost
// more than the code under test.
class StreamRedirect {
 public:
  StreamRedirect(std::ostream& stream, std::streambuf* buffer)
      : stream_(stream), saved_(stream.rdbuf(buffer)) {}
  ~StreamRedirect() {
    stream_.rdbuf(saved_);
    stream_.clear();
  }
  StreamRedirect(const StreamRedirect&) = delete;
  StreamRedirect& operator=(const StreamRedirect&) = delete;

 private:
  std::ostream& stream_;
  std::streambuf* saved_;
};

// Reports a broken property with the input's context and aborts, which
// libFuzzer records as a crash and saves the input for.
[[noreturn]] inline void FuzzFail(const std::string& what) {
  std::fprintf(stderr, "\nProperty broken: %s\n", what.c_str());
  std::abort();
}

#define FUZZ_CHECK(condition, what)   \
  do {                                \
    if (!(condition)) FuzzFail(what); \
  } while (0)

// Takes option bytes off the front of an input; 0 once it is used up.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, std::size_t size)
      : data_(data), size_(size) {}
  uint8_t Next() {
    if (pos_ == size_) return 0;
    return data_[pos_++];
  }
  uint16_t Next16() {
    const uint16_t high = Next();
    return static_cast<uint16_t>(high << 8 | Next());
  }
  bool Empty() const { return pos_ == size_; }
  // Whatever has not been taken yet.
  const uint8_t* Rest() const { return data_ + pos_; }
  std::size_t RestSize() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

#endif  // QUARRIMEL_FUZZ_FUZZ_SUPPORT_H_
