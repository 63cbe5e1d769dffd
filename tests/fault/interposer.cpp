// Test-only fault injection, loaded into the program with LD_PRELOAD. It stands between the
// program and the C library for the files whose path contains a given text, and makes them fail
// the way a bad disk or a full one would:
//   VEROLT_FAULT_READ=text:N   read() of such a file fails with EIO once N bytes were delivered
//   VEROLT_FAULT_WRITE=text:N  fwrite() to such a file stores at most N bytes in all, then fails
//   VEROLT_FAULT_CLOSE=text    fclose() of such a file reports failure (after closing it)
//   VEROLT_FAULT_NEW=N:K       operator new of N bytes or more fails (std::bad_alloc) on any
//                              thread but the main one, once K such allocations have succeeded
//   VEROLT_FAULT_NEW=N:K:main  the same on the main thread only
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

namespace {

struct Rule {
  bool active = false;
  std::string text;
  unsigned long long limit = 0;
};

Rule parse_rule(const char* variable) {
  Rule rule;
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return rule;
  rule.active = true;
  rule.text = value;
  const std::size_t colon = rule.text.rfind(':');
  if (colon != std::string::npos) {
    rule.limit = std::strtoull(rule.text.c_str() + colon + 1, nullptr, 10);
    rule.text.resize(colon);
  }
  return rule;
}

struct State {
  Rule read = parse_rule("VEROLT_FAULT_READ");
  Rule write = parse_rule("VEROLT_FAULT_WRITE");
  Rule close = parse_rule("VEROLT_FAULT_CLOSE");
  std::mutex lock;
  std::unordered_map<int, unsigned long long> readFds;            // fd -> bytes delivered
  std::unordered_map<std::FILE*, unsigned long long> writeFiles;  // stream -> bytes stored
  std::unordered_map<std::FILE*, bool> closeFiles;
  std::unordered_map<int, std::string> paths;  // fd -> path, for streams made with fdopen
};

State& state() {
  static State* instance = new State();  // never destroyed: used until the process ends
  return *instance;
}

bool matches(const Rule& rule, const char* path) {
  return rule.active && path != nullptr && std::strstr(path, rule.text.c_str()) != nullptr;
}

template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int opened(int fd, const char* path) {
  if (fd < 0) return fd;
  const std::lock_guard<std::mutex> guard(state().lock);
  if (matches(state().read, path)) state().readFds[fd] = 0;
  // A stream's fclose closes its descriptor out of our sight: a reused number starts afresh.
  if (matches(state().write, path) || matches(state().close, path)) {
    state().paths[fd] = path;
  } else {
    state().paths.erase(fd);
  }
  return fd;
}

std::FILE* fopened(std::FILE* file, const char* path, const char* mode) {
  if (file == nullptr) return file;
  const bool writing = std::strpbrk(mode, "wa+") != nullptr;
  const std::lock_guard<std::mutex> guard(state().lock);
  if (writing && matches(state().write, path)) state().writeFiles[file] = 0;
  if (matches(state().close, path)) state().closeFiles[file] = true;
  return file;
}

// The allocation rule is read without allocating: operator new below consults it.
struct NewRule {
  unsigned long long size = 0;  // 0: inactive
  long long spared = 0;
  bool mainThread = false;  // the thread that fails: the main one, or any other
};

NewRule& new_rule() {
  static NewRule rule = [] {
    NewRule r;
    const char* value = std::getenv("VEROLT_FAULT_NEW");
    if (value == nullptr || *value == '\0') return r;
    char* end = nullptr;
    r.size = std::strtoull(value, &end, 10);
    if (end != nullptr && *end == ':') r.spared = std::strtoll(end + 1, &end, 10);
    r.mainThread = end != nullptr && std::strcmp(end, ":main") == 0;
    return r;
  }();
  return rule;
}

std::atomic<long long> bigAllocations{0};

void* allocate(std::size_t size) {
  const NewRule& rule = new_rule();
  if (rule.size != 0 && size >= rule.size &&
      (::syscall(SYS_gettid) == ::getpid()) == rule.mainThread &&
      bigAllocations.fetch_add(1) >= rule.spared) {
    throw std::bad_alloc();
  }
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

// Both halves of the pair live here, so that what was taken with malloc goes back with free.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t /*size*/) noexcept { std::free(memory); }

// The mode that only a call with O_CREAT passes.
#define VEROLT_CREATE_MODE(flags, mode)            \
  mode_t mode = 0;                                 \
  if (((flags)&O_CREAT) != 0) {                    \
    va_list args;                                  \
    va_start(args, flags);                         \
    mode = static_cast<mode_t>(va_arg(args, int)); \
    va_end(args);                                  \
  }

extern "C" {

int open(const char* path, int flags, ...) {
  VEROLT_CREATE_MODE(flags, mode);
  static const auto real = next<int (*)(const char*, int, ...)>("open");
  return opened(real(path, flags, mode), path);
}

int open64(const char* path, int flags, ...) {
  VEROLT_CREATE_MODE(flags, mode);
  static const auto real = next<int (*)(const char*, int, ...)>("open64");
  return opened(real(path, flags, mode), path);
}

// Names resolved a directory at a time are opened relative to the directory: the last part is
// what the rules see.
int openat(int directory, const char* path, int flags, ...) {
  VEROLT_CREATE_MODE(flags, mode);
  static const auto real = next<int (*)(int, const char*, int, ...)>("openat");
  return opened(real(directory, path, flags, mode), path);
}

int openat64(int directory, const char* path, int flags, ...) {
  VEROLT_CREATE_MODE(flags, mode);
  static const auto real = next<int (*)(int, const char*, int, ...)>("openat64");
  return opened(real(directory, path, flags, mode), path);
}

ssize_t read(int fd, void* buffer, size_t size) {
  static const auto real = next<ssize_t (*)(int, void*, size_t)>("read");
  State& s = state();
  {
    const std::lock_guard<std::mutex> guard(s.lock);
    const auto found = s.readFds.find(fd);
    if (found != s.readFds.end()) {
      if (found->second >= s.read.limit) {
        errno = EIO;
        return -1;
      }
      size = std::min<size_t>(size, s.read.limit - found->second);
    }
  }
  const ssize_t got = real(fd, buffer, size);
  if (got > 0) {
    const std::lock_guard<std::mutex> guard(s.lock);
    const auto found = s.readFds.find(fd);
    if (found != s.readFds.end()) found->second += static_cast<unsigned long long>(got);
  }
  return got;
}

int close(int fd) {
  static const auto real = next<int (*)(int)>("close");
  {
    const std::lock_guard<std::mutex> guard(state().lock);
    state().readFds.erase(fd);
    state().paths.erase(fd);
  }
  return real(fd);
}

std::FILE* fdopen(int fd, const char* mode) {
  static const auto real = next<std::FILE* (*)(int, const char*)>("fdopen");
  std::string path;
  {
    const std::lock_guard<std::mutex> guard(state().lock);
    const auto found = state().paths.find(fd);
    if (found != state().paths.end()) path = found->second;
  }
  return fopened(real(fd, mode), path.c_str(), mode);
}

std::FILE* fopen(const char* path, const char* mode) {
  static const auto real = next<std::FILE* (*)(const char*, const char*)>("fopen");
  return fopened(real(path, mode), path, mode);
}

std::FILE* fopen64(const char* path, const char* mode) {
  static const auto real = next<std::FILE* (*)(const char*, const char*)>("fopen64");
  return fopened(real(path, mode), path, mode);
}

size_t fwrite(const void* data, size_t size, size_t count, std::FILE* file) {
  static const auto real = next<size_t (*)(const void*, size_t, size_t, std::FILE*)>("fwrite");
  State& s = state();
  std::unique_lock<std::mutex> guard(s.lock);
  const auto found = s.writeFiles.find(file);
  if (found == s.writeFiles.end() || size == 0) {
    guard.unlock();
    return real(data, size, count, file);
  }
  // Whole items only, up to what the "disk" has room for.
  const unsigned long long room = s.write.limit - std::min(s.write.limit, found->second);
  const size_t items = std::min<unsigned long long>(count, room / size);
  found->second += items * size;
  guard.unlock();
  const size_t stored = items == 0 ? 0 : real(data, size, items, file);
  if (stored < count) errno = ENOSPC;
  return stored;
}

int fclose(std::FILE* file) {
  static const auto real = next<int (*)(std::FILE*)>("fclose");
  bool fail = false;
  {
    const std::lock_guard<std::mutex> guard(state().lock);
    state().writeFiles.erase(file);
    fail = state().closeFiles.erase(file) > 0;
  }
  const int result = real(file);
  if (fail) {
    errno = EIO;
    return EOF;
  }
  return result;
}

}  // extern "C"
