// Files on POSIX systems: opened without ever waiting on a FIFO, told apart by their type.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/common.h"
#include "platform/console.h"
#include "platform/posix/trusted_path.h"

namespace verolt::platform {

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& name) {
  close();
  if (holds_nul(name)) return false;
  // Non-blocking, so that a name that has become a FIFO since the walk neither waits for a writer
  // here nor for data later: it is refused below. The flag changes nothing for the regular files
  // and block devices that are read, so it stays.
  return adopt(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
}

bool InputFile::open_trusted(const std::string& name) {
  close();
  TrustedPath path;
  if (resolve_trusted(name, path) != Resolution::resolved) return false;
  return adopt(open_resolved(path, O_RDONLY | O_NONBLOCK));
}

bool InputFile::adopt(int fd) {
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    ::close(fd);
    return false;
  }
  id_ = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  handle_ = fd;
  // Block devices report no size; files of /proc and /sys report 0 or too much.
  expected_ = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  return true;
}

bool InputFile::open_list(const std::string& name, bool& once) {
  close();
  once = false;
  // A link on the way that another user laid is no list of ours.
  TrustedPath path;
  if (resolve_trusted(name, path) != Resolution::resolved) return false;
  const int fd = open_resolved(path, O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  const bool known = ::fstat(fd, &st) == 0;
  const bool file = known && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
  // Streams end when their writer or their user says so; other devices (/dev/zero) never do.
  const bool stream = known && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ||
                                (S_ISCHR(st.st_mode) && ::isatty(fd)));
  // A pipe is read to its end, so it must wait for its writer.
  const int flags = ::fcntl(fd, F_GETFL);
  if (!(file || stream) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return false;
  }
  once = stream;
  id_ = FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  handle_ = fd;
  if (stream) {
    struct stat in {};
    if (::fstat(STDIN_FILENO, &in) == 0 && in.st_dev == st.st_dev && in.st_ino == st.st_ino) {
      end_input();
    }
  }
  return true;
}

std::ptrdiff_t InputFile::read(unsigned char* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  if (ended_) return 0;
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), buffer, size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    delivered_ += static_cast<std::uint64_t>(got);
    // A read asked for more than was left and stopped at the size the file had when opened: the
    // file has not grown, so the read that would only report its end is spared. A file that grew
    // fills the read, or goes past that size, and is read on.
    if (static_cast<std::size_t>(got) < size && expected_ != 0 && delivered_ == expected_) {
      ended_ = true;
    }
    return got;
  }
}

void InputFile::read_ahead(std::uint64_t bytes) {
  if (handle_ < 0 || bytes == 0) return;
  const std::uint64_t limit = expected_ != 0 && expected_ < bytes ? expected_ : bytes;
  (void)::posix_fadvise(static_cast<int>(handle_), 0, static_cast<off_t>(limit),
                        POSIX_FADV_WILLNEED);
}

void InputFile::close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  expected_ = 0;
  delivered_ = 0;
  ended_ = false;
}

std::optional<FileId> standard_stream_id(bool errorStream) {
  struct stat st {};
  if (::fstat(errorStream ? STDERR_FILENO : STDOUT_FILENO, &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool is_stream_device(const std::string& name) {
  struct stat st {};
  if (holds_nul(name) || ::stat(name.c_str(), &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
}

bool list_is_standard_input(const std::string& name) {
  struct stat listed {};
  struct stat in {};
  if (holds_nul(name) || ::stat(name.c_str(), &listed) != 0 || ::fstat(STDIN_FILENO, &in) != 0) {
    return false;
  }
  const bool stream = S_ISFIFO(in.st_mode) || S_ISSOCK(in.st_mode) ||
                      (S_ISCHR(in.st_mode) && ::isatty(STDIN_FILENO));
  return stream && listed.st_dev == in.st_dev && listed.st_ino == in.st_ino;
}

bool opens_for_reading(const std::string& name) {
  if (holds_nul(name)) return false;
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool isDirectory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  ::close(fd);
  return !isDirectory;
}

std::optional<std::uint64_t> listed_file_size(const std::string& name) {
  struct stat st {};
  if (name.empty() || holds_nul(name) || stat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
    return std::nullopt;
  }
  return size_of(st.st_size);
}

}  // namespace verolt::platform
