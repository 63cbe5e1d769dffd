// The console: the program's texts in its character set, the channel for progress, message
// boxes, and the answers read from standard input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verolt::platform {

// Takes the console's character set from the environment; called once at start.
void initialise_console();

// Console text: the program's own Windows-1251 texts in the console's character set.
std::string ansi_to_console(std::string_view ansi);
// The program's own texts in a report written for people (the audit's): in the console's set on
// POSIX, where names are in the locale's set too, so that the report reads whole; Windows-1251 on
// Windows, as its names are.
std::string ansi_to_report(std::string_view ansi);
// A file name as it must appear on the console: its control bytes escaped (text/escape.h; the C1
// controls too where the console's set is UTF-8), then in the console's set (names are already
// in the locale's set on POSIX).
std::string name_to_console(std::string_view name);
// An argument echoed as it was typed: escaped as names are, never converted.
std::string argument_to_console(std::string_view argument);

// The console channel for progress and walk dots; never the standard output.
bool console_channel_open();
// True when standard output is a terminal (a console on Windows), watched as it is written.
bool output_is_terminal();
void console_write(std::string_view text);

// Text of a message box: the program's own Windows-1251 text around at most one file name,
// which is shown as name_to_console shows it (the system's box: its control bytes escaped).
struct BoxText {
  std::string before;
  std::string name;
  std::string after;
};

// A modal message box that waits for its answer. Returns true for the answer Yes (or OK).
enum class BoxButtons { Ok, YesNo };
bool message_box(const BoxText& text, std::string_view title, BoxButtons buttons, bool errorIcon);
// From now on, boxes as console_message_box shows them, instead of the system's: for unattended
// runs on Windows (VEROLT_BOXES=console); the only form on POSIX anyway.
void use_console_boxes(bool on);

// The same box presented on standard error, its answer read from standard input: the only form
// on POSIX, and the unattended form on Windows.
bool console_message_box(const BoxText& text, std::string_view title, BoxButtons buttons,
                         bool errorIcon);

// True when standard input is a terminal, where an OK box waits for Enter.
bool input_is_terminal();

// From now on every answer finds the end of input: standard input was read as a list.
void end_input();

// One line of standard input without its line end; nothing at the end of input. Every answer the
// program reads goes through here, so lines fed by a script are taken one per question.
std::optional<std::string> read_input_line();

}  // namespace verolt::platform
