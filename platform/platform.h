// The operating system as the rest of Verolt sees it: plain operations, one implementation per
// platform (posix/ and windows/). Nothing outside platform/ includes a system header.
#pragma once

#include <cstddef>
#include <cstdint>
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
  DirectorySearch();
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

// Mask matching of the POSIX search: "*" any run, "?" one character, ASCII letters in either
// case, "*.*" every name. Runs in O(mask × name) at worst.
bool mask_matches(std::string_view mask, std::string_view name);

// True when `name` opens for reading (without waiting on a FIFO).
bool opens_for_reading(const std::string& name);

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
  // Bytes read (0 at the end), or -1 on a read error.
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size);
  void close();

 private:
  std::intptr_t handle_ = -1;
};

// Console text: the program's own Windows-1251 texts in the console's character set.
std::string ansi_to_console(std::string_view ansi);
// A file name as it must appear on the console (names are already in the locale's set on POSIX).
std::string name_to_console(std::string_view name);

// The console channel for progress and walk dots; never the standard output.
bool console_channel_open();
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

// One line of standard input without its line end; nothing at the end of input. Every answer the
// program reads goes through here, so lines fed by a script are taken one per question.
std::optional<std::string> read_input_line();

// Takes the console's character set from the environment; called once at start.
void initialise_console();

}  // namespace verolt::platform
