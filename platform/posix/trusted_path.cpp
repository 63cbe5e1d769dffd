#include "platform/posix/trusted_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif

#include <cerrno>
#include <deque>
#include <string_view>
#include <vector>

#include "platform/common.h"

namespace verolt::platform {

namespace {

#ifdef O_PATH
// A directory that may be searched but not read is still a directory to go through.
constexpr int kDirectoryFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
// As the system counts them before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

bool trusted_owner(const struct stat& st) { return st.st_uid == 0 || st.st_uid == ::geteuid(); }

// Links of /proc name open files, pipes and sockets, which no path reaches: only the system can
// follow them.
bool on_proc(int directory) {
#ifdef __linux__
  constexpr long kProcMagic = 0x9fa0;
  struct statfs fs {};
  return ::fstatfs(directory, &fs) == 0 && static_cast<long>(fs.f_type) == kProcMagic;
#else
  (void)directory;
  return false;
#endif
}

void push_parts(std::deque<std::string>& parts, std::string_view path) {
  std::vector<std::string> split;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    split.emplace_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  parts.insert(parts.begin(), split.begin(), split.end());
}

std::string read_link(int directory, const std::string& name) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t n = ::readlinkat(directory, name.c_str(), target.data(), target.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

}  // namespace

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

Resolution resolve_trusted(const std::string& name, TrustedPath& path) {
  path = TrustedPath{};
  if (name.empty() || holds_nul(name)) return Resolution::failed;
  Descriptor directory(::open(name.front() == '/' ? "/" : ".", kDirectoryFlags));
  if (!directory.valid()) return Resolution::failed;
  std::deque<std::string> parts;
  push_parts(parts, name);
  int links = 0;
  while (!parts.empty()) {
    std::string part = std::move(parts.front());
    parts.pop_front();
    const bool last = parts.empty();
    // "a//b" and "a/./b" name a/b; a trailing "/" leaves the directory itself, which no file is.
    if (part.empty() || part == ".") {
      if (last) path.leaf = ".";
      continue;
    }
    struct stat st {};
    if (::fstatat(directory.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (!last || errno != ENOENT) return Resolution::failed;
      path.leaf = std::move(part);  // a file yet to be made
      break;
    }
    if (S_ISLNK(st.st_mode)) {
      if (!trusted_owner(st)) return Resolution::planted;
      if (++links > kMaxLinks) return Resolution::failed;
      if (last && on_proc(directory.get())) {
        path.leaf = std::move(part);
        path.followLeaf = true;
        break;
      }
      const std::string target = read_link(directory.get(), part);
      if (target.empty()) return Resolution::failed;
      if (target.front() == '/') {
        directory = Descriptor(::open("/", kDirectoryFlags));
        if (!directory.valid()) return Resolution::failed;
      }
      push_parts(parts, target);
      continue;
    }
    if (last) {
      path.leaf = std::move(part);
      break;
    }
    // O_NOFOLLOW: a directory swapped for a link since the look is refused, not followed.
    Descriptor next(::openat(directory.get(), part.c_str(), kDirectoryFlags | O_NOFOLLOW));
    if (!next.valid()) return Resolution::failed;
    directory = std::move(next);
  }
  path.directory = std::move(directory);
  return Resolution::resolved;
}

int open_resolved(const TrustedPath& path, int flags, int mode) {
  if (!path.directory.valid()) return -1;
  return ::openat(path.directory.get(), path.leaf.c_str(),
                  flags | O_CLOEXEC | (path.followLeaf ? 0 : O_NOFOLLOW), mode);
}

}  // namespace verolt::platform
