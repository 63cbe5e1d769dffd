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
#include "platform/written_files.h"

namespace verolt::files {

// A written list or report. Every "\n" goes to disk as CR LF, so lists are the same bytes on
// every platform. It replaces the file under its name only once it is complete (see
// platform::WrittenFile); write errors are remembered and reported by close().
class OutputFile {
 public:
  // Resolves the name, before any question: false when a link on the way belongs to another user.
  bool prepare(const std::string& name);
  // Creates the new file; false when it cannot be created.
  bool open();
  // Both at once, where no question comes between them.
  bool open(const std::string& name) { return prepare(name) && open(); }
  bool is_open() const { return file_.stream() != nullptr; }
  // Identity of the file under the name (the old one, or the empty one standing in for a new
  // one), so that it is known whatever name a list gives it.
  std::optional<platform::FileId> id() const { return file_.id(); }
  // The new file, which no selection may take: the last part of its name, its identity.
  const std::string& new_leaf() const { return file_.new_leaf(); }
  std::optional<platform::FileId> new_id() const { return file_.new_id(); }
  void write(std::string_view text);
  // Makes this a list in the line format of the GNU and BSD checksum tools, which holds their
  // lines and nothing else: from then on write() leaves its text out (the program's own lines:
  // a trailer, "not found", a failed file's text).
  void take_checksum_lines_only() { checksumLinesOnly_ = true; }
  // `text` as it is, each "\n" an LF as those tools end their lines.
  void write_lf(std::string_view text);
  // True when every byte reached the disk and the file took the name; false leaves the name as
  // it was.
  bool close();

 private:
  void put(std::string_view bytes);

  platform::WrittenFile file_;
  bool failed_ = false;
  bool checksumLinesOnly_ = false;
};

// True when a file of that name exists and can be opened for reading.
bool file_exists(const std::string& name);

// A list file read line by line in binary; lines have no length limit.
class ListReader {
 public:
  bool open(const std::string& name);
  // The next line with its LF (the last line may lack one); false at the end, or at a read
  // error: the lines before it are the list, a line it cut short is not.
  bool read_line(std::string& line);
  // True when the reading ended at a read error rather than at the end.
  bool failed() const { return failed_; }
  // Back to the first line.
  bool rewind();
  // Identity of the list opened, so that a walk can leave it out whatever name it finds it by.
  platform::FileId id() const { return id_; }
  // The lines are in the format of the GNU and BSD checksum tools, not the program's own: told
  // by whoever opens the list to whoever parses its lines. Kept by open() and rewind().
  void set_checksum_lines(bool checksum) { checksumLines_ = checksum; }
  bool checksum_lines() const { return checksumLines_; }

 private:
  std::string name_;
  platform::FileId id_{};
  platform::InputFile file_;
  std::vector<unsigned char> buffer_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  bool atEnd_ = false;
  bool failed_ = false;
  bool inMemory_ = false;    // a stream read whole at open
  bool failsAtEnd_ = false;  // and its reading ended at an error
  bool checksumLines_ = false;
};

// Name of the hash file that belongs to a data file: the name with ".hsh" appended.
std::string hash_file_name(const std::string& name);

// Replaces the hash file with `text`; false when it cannot be created, written or closed.
bool write_hash_file(const std::string& hashFileName, std::string_view text);

// The first `size` bytes of a hash file: the length of the run's p2 text, as a hash file holds
// it without a line end (64 characters, or 128 for the 512-bit function).
enum class HashFileRead { ok, cannotOpen, tooShort };
HashFileRead read_hash_file(const std::string& hashFileName, std::string& text, std::size_t size);

}  // namespace verolt::files
