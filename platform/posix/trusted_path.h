// Names resolved the way a program run as root over other users' trees must resolve them: every
// symbolic link on the way is looked at before it is followed, and one that neither this user nor
// root owns stops the resolution. What is left is a directory held open and a last part in it,
// so that nothing can be swapped under the program between the look and the use.
#pragma once

#include <string>

namespace verolt::platform {

// A descriptor closed with its owner.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor();
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};

struct TrustedPath {
  Descriptor directory;  // the directory the last part is in
  std::string leaf;      // the last part: no link, or a link to be left to the system (below)
  // The last part is a link of /proc (/dev/stdin, /dev/fd/N) whose target is no path: the system
  // follows it. It was checked like any other link.
  bool followLeaf = false;
};

enum class Resolution {
  resolved,
  planted,  // a link on the way belongs to another user
  failed,   // a directory on the way is missing or cannot be searched, or links loop
};

// Resolves `name` (relative to the current directory, or absolute). The last part need not exist.
Resolution resolve_trusted(const std::string& name, TrustedPath& path);

// Opens the resolved last part with `flags` (never following a link the resolution did not
// check); -1 on failure.
int open_resolved(const TrustedPath& path, int flags, int mode = 0);

}  // namespace verolt::platform
