// Files as the program opens them: data and list files to read, output files to create, the
// identity of a file whatever its name, sizes, and what stands behind the standard streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace verolt::platform {

// True when `name` opens for reading (without waiting on a FIFO).
bool opens_for_reading(const std::string& name);

// Identity of a file whatever its spelling: device and inode (on Windows the volume and the file
// index).
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileId& other) const {
    return device == other.device && inode == other.inode;
  }
  bool operator!=(const FileId& other) const { return !(*this == other); }
};

// Identity of the file behind standard output (`errorStream` false) or standard error, when it
// is a file that could also be hashed; nothing for a terminal, a pipe or a device.
std::optional<FileId> standard_stream_id(bool errorStream);
// True when `name` exists and is a stream rather than a store of contents: a FIFO, a character
// device or a socket (on Windows a device such as NUL or CON, or a pipe).
bool is_stream_device(const std::string& name);

// The size of the file a listed name denotes; nothing when it is missing or a directory.
std::optional<std::uint64_t> listed_file_size(const std::string& name);

// A data file opened for reading. Only files that can be read to an end open: directories,
// FIFOs, sockets and character devices do not.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  bool open(const std::string& name);
  // The same, for a file the program keeps itself (a .hsh file): only through links that this
  // user or root laid.
  bool open_trusted(const std::string& name);
  // A list file, through such links only: what open() takes, and also a stream that can be read
  // only once (a pipe, a socket, a terminal), which `once` reports so that the caller reads it
  // whole. A stream that is standard input leaves later answers at the end of input.
  bool open_list(const std::string& name, bool& once);
  // Identity of the open file.
  FileId id() const { return id_; }
  // Bytes read (0 at the end), or -1 on a read error.
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size);
  // Asks the system to start reading the first `bytes` of the file into its cache, without
  // waiting for them; a hint that may do nothing.
  void read_ahead(std::uint64_t bytes);
  void close();

 private:
  // Takes an open descriptor (POSIX) if it is a file that can be read to an end.
  bool adopt(int fd);

  std::intptr_t handle_ = -1;
  FileId id_;
  // POSIX: the size at opening, and what was read since; once a short read meets that size,
  // the end is known without asking the system again.
  std::uint64_t expected_ = 0;
  std::uint64_t delivered_ = 0;
  bool ended_ = false;
};

// True when the list `name` is the stream standard input reads (a pipe, a socket, a terminal):
// reading it as the list leaves nothing for any answer, the first question's included.
bool list_is_standard_input(const std::string& name);

}  // namespace verolt::platform
