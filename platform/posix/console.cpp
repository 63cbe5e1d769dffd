// The console on POSIX systems: texts through iconv into the locale's character set, progress
// on standard error when it is a terminal, and message boxes on the console.
#include "platform/console.h"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/posix/codeset.h"
#include "text/escape.h"

namespace verolt::platform {

namespace {

struct Converter {
  std::mutex lock;
  iconv_t cd{};
  bool open = false;
  bool initialised = false;
  // A UTF-8 terminal obeys the C1 controls as well; the C locale counts as UTF-8.
  bool utf8 = true;
};

Converter& converter() {
  static Converter instance;
  return instance;
}

// "UTF-8" as iconv and the C libraries spell it ("UTF-8", "utf8", "UTF8").
bool is_utf8_name(const std::string& codeset) {
  std::string letters;
  for (const char c : codeset) {
    if (c != '-' && c != '_')
      letters.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return letters == "UTF8";
}

}  // namespace

std::string console_codeset() {
  const char* codeset = ::nl_langinfo(CODESET);
  // The C and POSIX locales count as UTF-8: their ASCII set cannot show the program's texts.
  if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
      std::strcmp(codeset, "ASCII") == 0 || std::strcmp(codeset, "US-ASCII") == 0) {
    return "UTF-8";
  }
  return codeset;
}

void initialise_console() {
  // LC_CTYPE only: numbers keep their "C" form ("43.69%", not "43,69%").
  (void)std::setlocale(LC_CTYPE, "");
  Converter& conv = converter();
  std::lock_guard<std::mutex> guard(conv.lock);
  if (conv.initialised) return;
  conv.initialised = true;
  const std::string codeset = console_codeset();
  conv.utf8 = is_utf8_name(codeset);
  const std::string target = codeset + "//TRANSLIT";
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

std::string ansi_to_report(std::string_view ansi) { return ansi_to_console(ansi); }

std::string name_to_console(std::string_view name) { return argument_to_console(name); }

std::string argument_to_console(std::string_view argument) {
  Converter& conv = converter();
  bool c1 = true;
  {
    std::lock_guard<std::mutex> guard(conv.lock);
    c1 = conv.utf8;
  }
  return text::escape_controls(argument, c1);
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

void use_console_boxes(bool /*on*/) {}  // the console's are the only ones here

bool message_box(const BoxText& text, std::string_view title, BoxButtons buttons, bool errorIcon) {
  return console_message_box(text, title, buttons, errorIcon);
}

}  // namespace verolt::platform
