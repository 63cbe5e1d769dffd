// Console text output: what reaches the standard output, converted where the program's own
// texts are concerned, and file names and echoed arguments as they are.
#pragma once

#include <string>
#include <string_view>

namespace verolt::files {

// A write to standard output, or its flush, failed (a full disk, a file system limit): the run
// cannot deliver what it was asked for. Thrown by the calls below, caught where the run ends.
struct OutputWriteError {
  int error;  // the system's error number
};

// A Windows-1251 program text in the console's character set.
std::string to_console_text(std::string_view ansi);

// Standard output. Each throws OutputWriteError when the stream fails.
void print_text(std::string_view ansi);  // a program text, converted
void print_name(std::string_view name);  // a file name, as the console shows names
void print_raw(std::string_view text);   // as it is: echoed arguments, hash values
void flush_output();
// Standard error, as it is: for the run's last word when standard output has failed.
void print_error(std::string_view text);
// Flushes only when standard output is a terminal, where each line must show as it is printed
// (a file's name before its progress). Elsewhere output stays buffered until a box, a question or
// the end of the run flushes it.
void flush_for_terminal();

}  // namespace verolt::files
