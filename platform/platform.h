// The operating system as the rest of Verolt sees it: plain operations, one implementation per
// platform (posix/ and windows/). Nothing outside platform/ includes a system header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace verolt::platform {

// Directory separator used when names are joined, and the one that ends a directory prefix.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// True for every character that ends the directory prefix of a target.
bool is_separator(char c);

// One result of a directory search.
struct FoundEntry {
  std::string name;
  bool isDirectory = false;        // a real directory that may be entered (never a link to one)
  bool isLinkedDirectory = false;  // a link to a directory: neither entered nor a file
  std::uint64_t size = 0;
};

// Directory search over the entries of `directory` (empty: the current directory) whose names
// match `mask`, "." and ".." included where the system reports them.
class DirectorySearch {
 public:
  // Without `sizes` a regular file may be reported with size 0 where the listing alone tells
  // what it is, sparing a status call per entry.
  explicit DirectorySearch(bool sizes = true);
  ~DirectorySearch();
  DirectorySearch(const DirectorySearch&) = delete;
  DirectorySearch& operator=(const DirectorySearch&) = delete;

  // Starts the search; false when the directory cannot be searched or nothing matches.
  bool find_first(const std::string& directory, const std::string& mask, FoundEntry& entry);
  // The next match; false when there is none.
  bool find_next(FoundEntry& entry);

 private:
  struct State;
  State* state_;
};

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

// Creates or empties a file for writing without waiting for a reader: a FIFO that nobody reads
// cannot be created, one with a reader (a pipe, a process substitution) is written as usual.
// Null when it cannot be created.
std::FILE* create_for_writing(const std::string& name);
// Identity of a file open for writing; nothing when the system cannot tell.
std::optional<FileId> file_id(std::FILE* file);
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
  // A list file: what open() takes, and also a stream that can be read only once (a pipe, a
  // socket, a terminal), which `once` reports so that the caller reads it whole. A stream that is
  // standard input leaves later answers at the end of input.
  bool open_list(const std::string& name, bool& once);
  // Identity of the open file.
  FileId id() const { return id_; }
  // Bytes read (0 at the end), or -1 on a read error.
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size);
  void close();

 private:
  std::intptr_t handle_ = -1;
  FileId id_;
  // POSIX: the size at opening, and what was read since; once a short read meets that size,
  // the end is known without asking the system again.
  std::uint64_t expected_ = 0;
  std::uint64_t delivered_ = 0;
  bool ended_ = false;
};

// A name as it is ordered: its Windows-1251 form where it has one (on Windows names are in that
// code page already), so both builds put a tree in the same order.
std::string name_sort_form(std::string_view name);

// The form a name listed by the other build takes here, tried when the name as listed cannot be
// opened: on POSIX a name that is not UTF-8 converted from Windows-1251 to the locale's set, and
// backslashes as slashes; on Windows a UTF-8 name with letters beyond ASCII converted wholly to
// Windows-1251. Nothing when there is no other form.
std::optional<std::string> other_build_name(std::string_view listed);

// Console text: the program's own Windows-1251 texts in the console's character set.
std::string ansi_to_console(std::string_view ansi);
// A file name as it must appear on the console (names are already in the locale's set on POSIX).
std::string name_to_console(std::string_view name);

// The console channel for progress and walk dots; never the standard output.
bool console_channel_open();
// True when standard output is a terminal (a console on Windows), watched as it is written.
bool output_is_terminal();
void console_write(std::string_view text);

// Text of a message box: the program's own Windows-1251 text around at most one file name,
// which is shown as it is.
struct BoxText {
  std::string before;
  std::string name;
  std::string after;
};

// A modal message box that waits for its answer. Returns true for the answer Yes (or OK).
enum class BoxButtons { Ok, YesNo };
bool message_box(const BoxText& text, std::string_view title, BoxButtons buttons, bool errorIcon);

// The same box presented on standard error, its answer read from standard input: the only form
// on POSIX, and the unattended form on Windows.
bool console_message_box(const BoxText& text, std::string_view title, BoxButtons buttons,
                         bool errorIcon);

// True when standard input is a terminal, where an OK box waits for Enter.
bool input_is_terminal();

// The whole command line as one string, the program's name first.
std::string whole_command_line(int argc, char** argv);

// From now on every answer finds the end of input: standard input was read as a list.
void end_input();
// True when the list `name` is the stream standard input reads (a pipe, a socket, a terminal):
// reading it as the list leaves nothing for any answer, the first question's included.
bool list_is_standard_input(const std::string& name);

// One line of standard input without its line end; nothing at the end of input. Every answer the
// program reads goes through here, so lines fed by a script are taken one per question.
std::optional<std::string> read_input_line();

// Takes the console's character set from the environment; called once at start.
void initialise_console();

}  // namespace verolt::platform
