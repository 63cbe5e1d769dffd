// POSIX implementation of the platform layer (Linux and other Unix systems).
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/file_names.h"
#include "platform/files.h"
#include "text/cp1251.h"

namespace verolt::platform {

// ---- data files ----

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& name) {
  close();
  // The system would stop at a NUL inside the name and open another file.
  if (name.find('\0') != std::string::npos) return false;
  // Non-blocking, so that a name that has become a FIFO since the walk neither waits for a writer
  // here nor for data later: it is refused below. The flag changes nothing for the regular files
  // and block devices that are read, so it stays.
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
  if (name.find('\0') != std::string::npos) return false;
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

void InputFile::close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
  expected_ = 0;
  delivered_ = 0;
  ended_ = false;
}

std::FILE* create_for_writing(const std::string& name) {
  if (name.find('\0') != std::string::npos) return nullptr;
  // Without O_NONBLOCK a FIFO that nobody reads would stop the run here for ever.
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  // A pipe with a reader takes its writes in full, waiting when the reader is slow.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) ::close(fd);
  return file;
}

std::optional<FileId> file_id(std::FILE* file) {
  struct stat st {};
  if (file == nullptr || ::fstat(::fileno(file), &st) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
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
  if (name.find('\0') != std::string::npos || ::stat(name.c_str(), &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
}

bool list_is_standard_input(const std::string& name) {
  struct stat listed {};
  struct stat in {};
  if (name.find('\0') != std::string::npos || ::stat(name.c_str(), &listed) != 0 ||
      ::fstat(STDIN_FILENO, &in) != 0) {
    return false;
  }
  const bool stream = S_ISFIFO(in.st_mode) || S_ISSOCK(in.st_mode) ||
                      (S_ISCHR(in.st_mode) && ::isatty(STDIN_FILENO));
  return stream && listed.st_dev == in.st_dev && listed.st_ino == in.st_ino;
}

bool opens_for_reading(const std::string& name) {
  if (name.find('\0') != std::string::npos) return false;
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool isDirectory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
  ::close(fd);
  return !isDirectory;
}

// ---- console ----

namespace {

struct Converter {
  std::mutex lock;
  iconv_t cd{};
  bool open = false;
  bool initialised = false;
};

Converter& converter() {
  static Converter instance;
  return instance;
}

std::string console_codeset() {
  const char* codeset = ::nl_langinfo(CODESET);
  // The C and POSIX locales count as UTF-8: their ASCII set cannot show the program's texts.
  if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
      std::strcmp(codeset, "ASCII") == 0 || std::strcmp(codeset, "US-ASCII") == 0) {
    return "UTF-8";
  }
  return codeset;
}

}  // namespace

void initialise_console() {
  // LC_CTYPE only: numbers keep their "C" form ("43.69%", not "43,69%").
  (void)std::setlocale(LC_CTYPE, "");
  Converter& conv = converter();
  std::lock_guard<std::mutex> guard(conv.lock);
  if (conv.initialised) return;
  conv.initialised = true;
  const std::string target = console_codeset() + "//TRANSLIT";
  conv.cd = ::iconv_open(target.c_str(), "CP1251");
  // iconv_open reports failure as (iconv_t)-1.
  conv.open = conv.cd != iconv_t(-1);  // NOLINT(performance-no-int-to-ptr)
}

std::string ansi_to_console(std::string_view ansi) {
  Converter& conv = converter();
  std::lock_guard<std::mutex> guard(conv.lock);
  if (!conv.open) return std::string(ansi);
  std::string out;
  out.resize(ansi.size() * 4 + 16);
  std::string in(ansi);
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  ::iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  while (inLeft > 0) {
    if (::iconv(conv.cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
      break;
    }
    if (errno == E2BIG) {
      const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
      continue;
    }
    // A byte the console cannot show: a question mark stands for it.
    if (outLeft == 0) continue;
    *outPtr++ = '?';
    --outLeft;
    ++inPtr;
    --inLeft;
  }
  out.resize(static_cast<std::size_t>(outPtr - out.data()));
  return out;
}

std::string name_to_console(std::string_view name) { return std::string(name); }

std::string name_sort_form(std::string_view name) {
  return text::utf8_to_cp1251(name).value_or(std::string(name));
}

namespace {

// Windows-1251 text in the locale's character set; nothing when a byte has no place there.
std::optional<std::string> from_cp1251_strictly(std::string_view ansi) {
  const iconv_t cd = ::iconv_open(console_codeset().c_str(), "CP1251");
  if (cd == iconv_t(-1)) return std::nullopt;  // NOLINT(performance-no-int-to-ptr)
  std::string in(ansi);
  std::string out(ansi.size() * 4 + 16, '\0');
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const bool whole =
      ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
  ::iconv_close(cd);
  if (!whole) return std::nullopt;
  out.resize(static_cast<std::size_t>(outPtr - out.data()));
  return out;
}

}  // namespace

std::optional<std::string> other_build_name(std::string_view listed) {
  std::string name(listed);
  bool changed = false;
  if (!text::is_utf8(listed)) {
    if (std::optional<std::string> converted = from_cp1251_strictly(listed)) {
      name = std::move(*converted);
      changed = true;
    }
  }
  for (char& c : name) {
    if (c == '\\') {
      c = '/';
      changed = true;
    }
  }
  if (!changed) return std::nullopt;
  return name;
}

// Asked once: progress asks for every read.
bool console_channel_open() {
  static const bool terminal = ::isatty(STDERR_FILENO) == 1;
  return terminal;
}

bool output_is_terminal() {
  static const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  return terminal;
}

void console_write(std::string_view text) {
  if (!console_channel_open()) return;
  (void)std::fflush(stderr);
  while (!text.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// ---- answers and boxes ----

bool input_is_terminal() { return ::isatty(STDIN_FILENO) == 1; }

bool message_box(const BoxText& text, std::string_view title, BoxButtons buttons, bool errorIcon) {
  return console_message_box(text, title, buttons, errorIcon);
}

std::string whole_command_line(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (i > 0) line += ' ';
    // Quoted like a Windows shell would pass it, so the parse sees one token.
    if (arg.empty() || arg.find(' ') != std::string::npos) {
      line += '"' + arg + '"';
    } else {
      line += arg;
    }
  }
  return line;
}

}  // namespace verolt::platform
