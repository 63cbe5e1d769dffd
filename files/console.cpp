#include "files/console.h"

#include <cstdio>

#include "platform/platform.h"

namespace verolt::files {

std::string to_console_text(std::string_view ansi) { return platform::ansi_to_console(ansi); }

void print_raw(std::string_view text) { (void)std::fwrite(text.data(), 1, text.size(), stdout); }

void print_text(std::string_view ansi) { print_raw(to_console_text(ansi)); }

void print_name(std::string_view name) { print_raw(platform::name_to_console(name)); }

void flush_output() { (void)std::fflush(stdout); }

void flush_for_terminal() {
  if (platform::output_is_terminal()) flush_output();
}

}  // namespace verolt::files
