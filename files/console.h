// Console text output: what reaches the standard output, converted where the program's own
// texts are concerned; file names and echoed arguments with their control bytes escaped, so that
// none can draw on a terminal or start a line of its own.
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
void print_text(std::string_view ansi);      // a program text, converted
void print_name(std::string_view name);      // a file name, escaped, as the console shows names
void print_argument(std::string_view text);  // an argument echoed as typed: escaped, unconverted
void print_raw(std::string_view text);       // as it is: the program's ASCII, hash values
void flush_output();
// A name in a report line of an output file (not a hash or stream list, which keep names
// exactly): its control bytes escaped, no conversion.
std::string report_name(std::string_view name);
// A program text in a report written for people: the audit's.
std::string report_text(std::string_view ansi);
// Standard error, as it is: for the run's last word when standard output has failed.
void print_error(std::string_view text);
// Flushes only when standard output is a terminal, where each line must show as it is printed
// (a file's name before its progress). Elsewhere output stays buffered until a box, a question or
// the end of the run flushes it.
void flush_for_terminal();

}  // namespace verolt::files
