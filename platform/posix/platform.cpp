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

#include "platform/platform.h"

namespace verolt::platform {

// ---- data files ----

InputFile::~InputFile() { close(); }

bool InputFile::open(const std::string& name) {
  close();
  // The system would stop at a NUL inside the name and open another file.
  if (name.find('\0') != std::string::npos) return false;
  // Non-blocking, so that a FIFO without a writer does not stop the run before it is refused.
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

std::ptrdiff_t InputFile::read(unsigned char* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), buffer, size);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

void InputFile::close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
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

bool console_channel_open() { return ::isatty(STDERR_FILENO) == 1; }

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
