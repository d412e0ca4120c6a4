// SPDX-License-Identifier: GPL-3.0-or-later
// Test-only preload library: makes the Nth call of one chosen function fail
// with a chosen errno, so that the end-to-end tests can walk every failure a
// run can meet. Loaded through LD_PRELOAD and driven by two variables:
//
//   QUARRIMEL_FAULT=function:N:errno   for example "readdir:3:5"
//   QUARRIMEL_FAULT_LOG=path           a line "function N argument" is
//                                      appended there when the fault fires
//
// The functions: lstat, opendir, readdir, chdir, getcwd, read (standard
// input only), write (standard output only, writev included) and malloc.
// Calls are counted per function; only the Nth fails, every other call goes
// to the real function. Without QUARRIMEL_FAULT nothing is changed.
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

enum { kNameBytes = 16 };

static int configured;  // QUARRIMEL_FAULT has been read.
static char target[kNameBytes];
static long fail_at;  // 1-based number of the call that fails; 0 = none.
static int fail_errno;
static long calls;  // Calls of the target function so far.

// getenv() and the string functions take no memory, so this is safe even
// when malloc() itself asks.
static void Configure(void) {
  // A sanitizer's runtime allocates before the C library has set up the
  // environment: read it only once it is there.
  if (environ == NULL) return;
  configured = 1;
  const char* setting = getenv("QUARRIMEL_FAULT");
  if (setting == NULL) return;
  const char* colon = strchr(setting, ':');
  if (colon == NULL || colon - setting >= kNameBytes) return;
  memcpy(target, setting, (size_t)(colon - setting));
  target[colon - setting] = '\0';
  char* end = NULL;
  fail_at = strtol(colon + 1, &end, 10);
  fail_errno = *end == ':' ? (int)strtol(end + 1, NULL, 10) : EIO;
}

// Appends the fired fault to the log with raw system calls: nothing here may
// go through the functions this library replaces.
static void Log(const char* function, const char* argument) {
  const char* path = getenv("QUARRIMEL_FAULT_LOG");
  if (path == NULL) return;
  char line[4200];
  int length = snprintf(line, sizeof line, "%s %ld %s\n", function, fail_at,
                        argument ? argument : "");
  if (length < 0) return;
  if ((size_t)length >= sizeof line) length = sizeof line - 1;
  long fd = syscall(SYS_openat, AT_FDCWD, path,
                    O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  syscall(SYS_write, fd, line, (size_t)length);
  syscall(SYS_close, fd);
}

// True when this call of `function` is the one to fail; errno is then set.
static int Fails(const char* function, const char* argument) {
  if (!configured) Configure();
  if (fail_at <= 0 || strcmp(function, target) != 0) return 0;
  if (++calls != fail_at) return 0;
  Log(function, argument);
  errno = fail_errno;
  return 1;
}

// Declares real_<name>, the next definition of `name` after this library.
// dlsym() returns an object pointer; it is stored through one, as POSIX
// advises for function pointers.
#define REAL(name)                              \
  static __typeof__(name)* real_##name;         \
  if (real_##name == NULL) {                    \
    void* found = dlsym(RTLD_NEXT, #name);      \
    memcpy(&real_##name, &found, sizeof found); \
  }

int lstat(const char* path, struct stat* info) {
  REAL(lstat);
  if (Fails("lstat", path)) return -1;
  return real_lstat(path, info);
}

int lstat64(const char* path, struct stat64* info) {
  REAL(lstat64);
  if (Fails("lstat", path)) return -1;
  return real_lstat64(path, info);
}

DIR* opendir(const char* path) {
  REAL(opendir);
  if (Fails("opendir", path)) return NULL;
  return real_opendir(path);
}

struct dirent* readdir(DIR* dir) {
  REAL(readdir);
  if (Fails("readdir", NULL)) return NULL;
  return real_readdir(dir);
}

struct dirent64* readdir64(DIR* dir) {
  REAL(readdir64);
  if (Fails("readdir", NULL)) return NULL;
  return real_readdir64(dir);
}

int chdir(const char* path) {
  REAL(chdir);
  if (Fails("chdir", path)) return -1;
  return real_chdir(path);
}

char* getcwd(char* buffer, size_t size) {
  REAL(getcwd);
  if (Fails("getcwd", NULL)) return NULL;
  return real_getcwd(buffer, size);
}

ssize_t read(int fd, void* buffer, size_t size) {
  REAL(read);
  if (fd == STDIN_FILENO && Fails("read", NULL)) return -1;
  return real_read(fd, buffer, size);
}

ssize_t write(int fd, const void* buffer, size_t size) {
  REAL(write);
  if (fd == STDOUT_FILENO && Fails("write", NULL)) return -1;
  return real_write(fd, buffer, size);
}

ssize_t writev(int fd, const struct iovec* pieces, int count) {
  REAL(writev);
  if (fd == STDOUT_FILENO && Fails("write", NULL)) return -1;
  return real_writev(fd, pieces, count);
}

// The real malloc() is looked up with dlsym(), which may itself allocate:
// such nested calls are served from a small arena whose blocks free() leaves
// alone.
static char arena[4096];
static size_t arena_used;
static int resolving;

static void* ArenaAllocate(size_t size) {
  size = (size + 15) & ~(size_t)15;
  if (size > sizeof arena - arena_used) return NULL;
  void* block = arena + arena_used;
  arena_used += size;
  return block;
}

void* malloc(size_t size) {
  static void* (*real_malloc)(size_t);
  if (real_malloc == NULL) {
    if (resolving) return ArenaAllocate(size);
    resolving = 1;
    void* found = dlsym(RTLD_NEXT, "malloc");
    memcpy(&real_malloc, &found, sizeof found);
    resolving = 0;
  }
  if (Fails("malloc", NULL)) return NULL;
  return real_malloc(size);
}

void free(void* block) {
  static void (*real_free)(void*);
  static int resolving_free;
  if ((char*)block >= arena && (char*)block < arena + sizeof arena) return;
  if (real_free == NULL) {
    if (resolving_free) return;  // Leaked: dlsym() is still looking.
    resolving_free = 1;
    void* found = dlsym(RTLD_NEXT, "free");
    memcpy(&real_free, &found, sizeof found);
    resolving_free = 0;
  }
  real_free(block);
}

// operator new and delete, through malloc() and free(): a sanitizer's
// runtime serves operator new from its own allocator, which a sweep of
// malloc() would never reach. Preloaded ahead of that runtime, these send
// every allocation of the program through the counting malloc() above, and
// the runtime still sees each block taken and given back in pairs. The
// names are the mangled ones, as this file is C; a failed allocation throws
// std::bad_alloc through the C++ library's own helper.
extern void _ZSt17__throw_bad_allocv(void) __attribute__((noreturn));

static void* NewBlock(size_t size) {
  void* block = malloc(size == 0 ? 1 : size);
  if (block == NULL) _ZSt17__throw_bad_allocv();
  return block;
}

void* _Znwm(size_t size) { return NewBlock(size); }
void* _Znam(size_t size) { return NewBlock(size); }
// The nothrow forms, which std::stable_sort uses for its buffer: a failure
// returns NULL, and the block comes from the malloc() that the deletes
// below give it back to.
void* _ZnwmRKSt9nothrow_t(size_t size, const void* tag) {
  (void)tag;
  return malloc(size == 0 ? 1 : size);
}
void* _ZnamRKSt9nothrow_t(size_t size, const void* tag) {
  (void)tag;
  return malloc(size == 0 ? 1 : size);
}
void _ZdlPvRKSt9nothrow_t(void* block, const void* tag) {
  (void)tag;
  free(block);
}
void _ZdaPvRKSt9nothrow_t(void* block, const void* tag) {
  (void)tag;
  free(block);
}
void _ZdlPv(void* block) { free(block); }
void _ZdaPv(void* block) { free(block); }
void _ZdlPvm(void* block, size_t size) {
  (void)size;
  free(block);
}
void _ZdaPvm(void* block, size_t size) {
  (void)size;
  free(block);
}
