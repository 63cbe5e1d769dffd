// Hash lists, name lists and hash files on disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace verolt::files {

// A written list or report. Every "\n" goes to disk as CR LF, so lists are the same bytes on
// every platform. Write errors are remembered and reported by close().
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates or empties the file.
  bool open(const std::string& name);
  bool is_open() const { return file_ != nullptr; }
  // Identity of the open file, so that the file is known whatever name a list gives it.
  std::optional<platform::FileId> id() const;
  void write(std::string_view text);
  // True when every byte reached the file and it closed cleanly.
  bool close();

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// True when a file of that name exists and can be opened for reading.
bool file_exists(const std::string& name);

// A list file read line by line in binary; lines have no length limit.
class ListReader {
 public:
  bool open(const std::string& name);
  // The next line with its LF (the last line may lack one); false at the end.
  bool read_line(std::string& line);
  // Back to the first line.
  bool rewind();
  // Identity of the list opened, so that a walk can leave it out whatever name it finds it by.
  platform::FileId id() const { return id_; }

 private:
  std::string name_;
  platform::FileId id_{};
  platform::InputFile file_;
  std::vector<unsigned char> buffer_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  bool atEnd_ = false;
  bool inMemory_ = false;  // a stream read whole at open
};

// Name of the hash file that belongs to a data file: the name with ".hsh" appended.
std::string hash_file_name(const std::string& name);

// Length of a hash file's content: the p2 text without a line end, 64 characters or, for the
// 512-bit function, 128.
inline constexpr std::size_t kHashFileSize = 64;

// Replaces the hash file with `text`; false when it cannot be created, written or closed.
bool write_hash_file(const std::string& hashFileName, std::string_view text);

// The first `size` bytes of a hash file.
enum class HashFileRead { ok, cannotOpen, tooShort };
HashFileRead read_hash_file(const std::string& hashFileName, std::string& text,
                            std::size_t size = kHashFileSize);

}  // namespace verolt::files
