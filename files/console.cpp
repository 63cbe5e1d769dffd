#include "files/console.h"

#include <cerrno>
#include <cstdio>

#include "platform/console.h"
#include "text/escape.h"

namespace verolt::files {

std::string to_console_text(std::string_view ansi) { return platform::ansi_to_console(ansi); }

void print_raw(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
    throw OutputWriteError{errno};
}

void print_text(std::string_view ansi) { print_raw(to_console_text(ansi)); }

void print_name(std::string_view name) { print_raw(platform::name_to_console(name)); }

void print_argument(std::string_view text) { print_raw(platform::argument_to_console(text)); }

// A report is read on any system and terminal, so only what is a control everywhere is escaped.
std::string report_name(std::string_view name) { return text::escape_controls(name, false); }

std::string report_text(std::string_view ansi) { return platform::ansi_to_report(ansi); }

void flush_output() {
  errno = 0;
  // A failure met by an earlier flush (before a box) stays in the stream's error flag.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    throw OutputWriteError{errno != 0 ? errno : EIO};
  }
}

void print_error(std::string_view text) {
  (void)std::fwrite(text.data(), 1, text.size(), stderr);
  (void)std::fflush(stderr);
}

void flush_for_terminal() {
  if (platform::output_is_terminal()) flush_output();
}

}  // namespace verolt::files
