// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/standard_output.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/errors.h"

namespace {

// A descriptor inherited in non-blocking mode refuses a write while its
// pipe is full; that is a reason to wait, not a failure.
bool WaitUntilWritable() {
  pollfd ready = {STDOUT_FILENO, POLLOUT, 0};
  while (poll(&ready, 1, -1) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

bool StandardOutputBuffer::WriteAll(const char* data, std::size_t size) {
  while (size > 0 && error_ == 0) {
    const ssize_t written = write(STDOUT_FILENO, data, size);
    if (written < 0) {
      const int error = errno;
      const bool again = error == EAGAIN || error == EWOULDBLOCK;
      if (error != EINTR && !(again && WaitUntilWritable())) error_ = error;
      continue;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return error_ == 0;
}

bool StandardOutputBuffer::Drain() {
  const bool ok = WriteAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_, buffer_ + kBufferBytes);
  return ok;
}

StandardOutputBuffer::int_type StandardOutputBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

std::streamsize StandardOutputBuffer::xsputn(const char* data,
                                             std::streamsize size) {
  const std::size_t count = static_cast<std::size_t>(size);
  const std::size_t room = static_cast<std::size_t>(epptr() - pptr());
  if (count <= room) {
    std::memcpy(pptr(), data, count);
    pbump(static_cast<int>(count));
    return size;
  }
  // Too big for what is left: what is buffered goes first, then the new
  // bytes either join the emptied buffer or, if they would fill it anyway,
  // go out directly.
  if (!Drain()) return 0;
  if (count < kBufferBytes) {
    std::memcpy(pptr(), data, count);
    pbump(static_cast<int>(count));
    return size;
  }
  return WriteAll(data, count) ? size : 0;
}

int StandardOutputBuffer::sync() { return Drain() ? 0 : -1; }

ScopedStandardOutput::~ScopedStandardOutput() {
  stream_.flush();
  stream_.rdbuf(previous_);
}

void ScopedStandardOutput::Check() {
  stream_.flush();
  if (stream_) return;
  if (buffer_.error() == 0) {
    throw E_SystemFailure("Could not write to standard output");
  }
  throw E_SystemFailure("Could not write to standard output: %s",
                        std::strerror(buffer_.error()));
}
