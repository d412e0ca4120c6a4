// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/input.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <vector>

#include "base/errors.h"
#include "base/params.h"
#include "base/size.h"
#include "base/warning.h"
#include "input/path_size.h"

namespace {

// Direct-input records separate their fields with these bytes only.
constexpr char kBlanks[] = " \t";
// 2^64: the smallest double that no 64-bit byte count can hold.
constexpr double kByteCountLimit = 18446744073709551616.0;
// Bytes asked of read() at a time.
constexpr std::size_t kReadChunk = 1 << 18;

[[noreturn]] void ThrowReadError() {
  throw E_SystemFailure("Could not read standard input: %s",
                        std::strerror(errno));
}

// read() that retries after a signal, and waits for data when the
// descriptor it inherited is non-blocking, rather than taking either for an
// error. Returns 0 at the end of the input.
std::size_t ReadSome(int fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = read(fd, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) ThrowReadError();
    pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, -1) < 0 && errno != EINTR) ThrowReadError();
  }
}

void WarnNoSize(const std::string& record) {
  Warn("[Ignoring] Could not get size of: " + record);
}

}  // namespace

void ReadRecords(int fd, char delimiter,
                 const std::function<void(const std::string&)>& handle) {
  std::vector<char> buffer(kReadChunk);
  std::string record;  // Reused: records cost no allocation once it has grown.
  while (const std::size_t n = ReadSome(fd, buffer.data(), buffer.size())) {
    const char* next = buffer.data();
    const char* const end = next + n;
    while (const void* found = std::memchr(
               next, delimiter, static_cast<std::size_t>(end - next))) {
      const char* stop = static_cast<const char*>(found);
      record.append(next, stop);
      handle(record);
      record.clear();
      next = stop + 1;
    }
    record.append(next, end);
  }
  if (!record.empty()) handle(record);
}

namespace {

// An item as the size sort sees it: its size rounded to float, its id and
// whether the rounding was exact.
class SortKey {
 public:
  // Ids must stay below kExact.
  static constexpr std::uint32_t kExact = std::uint32_t{1} << 31;

  SortKey(float size, std::size_t id, bool exact)
      : size(size),
        id_and_exact(static_cast<std::uint32_t>(id) | (exact ? kExact : 0)) {}
  std::uint32_t id() const { return id_and_exact & ~kExact; }
  bool exact() const { return (id_and_exact & kExact) != 0; }

  float size;

 private:
  std::uint32_t id_and_exact;
};

// The size rounded to float; sizes beyond the float range all become the
// largest float, which keeps the rounding monotonic.
float RoundedSize(double size) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  return size < kLargest ? static_cast<float>(size) : kLargest;
}

}  // namespace

// Sorting pointers reads an item for every comparison, and after the first
// rounds those reads land all over memory. Sorting
// 8-byte keys that hold the size rounded to float reads the items only when
// two rounded sizes are equal and not both exact. Rounding to float is
// monotonic, so a larger rounded size means a larger size; for equal
// rounded sizes the exact sizes decide. Every comparison therefore gives
// what BySizeDescending gives, and a stable sort, which acts on the outcomes
// of its comparisons alone, makes the same permutation of the keys as of the
// pointers: the largest first, equal sizes in the order they had.
void Input::SortBySizeDescending() {
  if (items.size() >= SortKey::kExact) {
    std::stable_sort(items.begin(), items.end(), BySizeDescending);
    return;
  }
  std::vector<SortKey> keys;
  keys.reserve(items.size());
  for (const Item* item : items) {
    const float rounded = RoundedSize(item->size);
    keys.emplace_back(rounded, item->id, rounded == item->size);
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [this](const SortKey& a, const SortKey& b) {
                     if (a.size != b.size) return a.size > b.size;
                     if (a.exact() && b.exact()) return false;  // Equal sizes.
                     return storage_[a.id()].size > storage_[b.id()].size;
                   });
  for (std::size_t k = 0; k < keys.size(); ++k) {
    items[k] = &storage_[keys[k].id()];
  }
}

Input::Input(Params& params, ProgressObserver& progress)
    : params(&params), progress_(progress) {
  assert(params.block_size >= 1);
  roundingBlock = params.block_size;
  Read();
}

void Input::Read() {
  const MeasuringPhase phase(progress_);
  if (params->verbose) {
    std::cout << "> Reading from input... " << std::flush;
    std::cout << std::endl;
  }
  if (params->direct_input) {
    ReadDirectInput();
  } else {
    ReadFileNames();
  }
  ListItems();
  if (items.empty()) throw E_NoInputFiles("");
}

void Input::ReadFileNames() { ForEachRecord(&Input::AddFileItem); }

void Input::ReadDirectInput() { ForEachRecord(&Input::AddDirectItem); }

void Input::ForEachRecord(void (Input::*add)(const std::string&)) {
  if (params->read_stdin) {
    ReadRecords(
        STDIN_FILENO, params->null_data ? '\0' : '\n',
        [this, add](const std::string& record) { (this->*add)(record); });
  }
  std::list<char*>& arguments = params->input_args;
  while (!arguments.empty()) {
    (this->*add)(arguments.front());
    arguments.pop_front();
  }
}

void Input::AddFileItem(const std::string& name) {
  const uint64_t bytes = PathSize(name, progress_);
  if (bytes == 0) {
    Warn("[Ignoring] file/dir: " + name);
    return;
  }
  const double size = static_cast<double>(bytes);
  if (Accept(name, size)) Append(name, size);
}

void Input::AddDirectItem(const std::string& line) {
  if (line.empty()) return;
  const std::size_t first = line.find_first_not_of(kBlanks);
  if (first == std::string::npos) {
    WarnNoSize(line);
    return;
  }
  const std::size_t blank = line.find_first_of(kBlanks, first);
  if (blank == std::string::npos) {
    token_.assign(line, first, std::string::npos);
    identifier_ = token_;  // A lone number names itself.
  } else {
    token_.assign(line, first, blank - first);
    identifier_.assign(line, blank + 1, std::string::npos);
  }
  double number = 0;
  double size = 0;
  if (!ParseNumber(token_, number) || !DirectSize(number, size)) {
    WarnNoSize(line);
    return;
  }
  progress_.Measured(size);
  if (Accept(identifier_, size)) Append(identifier_, size);
}

bool Input::DirectSize(double number, double& size) const {
  if (params->plain_numbers) {
    // Not-a-number would pass every test of the filter, and an infinite
    // size cannot be summed or packed.
    size = number;
    return std::isfinite(number);
  }
  const double bytes = number * params->di_unit;
  if (!(bytes >= 0) || bytes >= kByteCountLimit) return false;
  uint64_t rounded = 0;
  if (!RoundToBlockChecked(static_cast<uint64_t>(bytes), rounded)) {
    return false;
  }
  size = static_cast<double>(rounded);
  return true;
}

bool Input::Accept(const std::string& name, double size) {
  const Params& p = *params;
  if (size > p.target) {
    RefuseBeyond("bigger than 'target'", p.target, name, size);
  } else if (size > p.max_size) {
    RefuseBeyond("bigger than '--max-size'", p.max_size, name, size);
  } else if (size <= 0) {
    Warn("[Ignoring] 0-sized input: " + name);
  } else if (size < p.min_size) {
    RefuseBeyond("smaller than '--min-size'", p.min_size, name, size);
  } else {
    return true;
  }
  return false;
}

void Input::RefuseBeyond(const char* what, double limit,
                         const std::string& name, double size) const {
  Warn(std::string("[Ignoring] ") + what + "(" + FormatSize(*params, limit) +
       "): " + name + " (" + FormatSize(*params, size) + ")");
}
