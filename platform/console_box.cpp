// Answers read from standard input and message boxes shown on standard error: the same on every
// platform, built on the platform's console conversion.
#include <cstdio>

#include "platform/console.h"
#include "text/ascii.h"

namespace verolt::platform {

namespace {
bool inputEnded = false;
}

void end_input() { inputEnded = true; }

std::optional<std::string> read_input_line() {
  if (inputEnded) return std::nullopt;
  std::string line;
  int c = 0;
  bool any = false;
  while ((c = std::getchar()) != EOF) {
    any = true;
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  if (!any) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool console_message_box(const BoxText& text, std::string_view title, BoxButtons buttons,
                         bool errorIcon) {
  // What the program printed before belongs above the box.
  (void)std::fflush(stdout);
  std::string shown = "\n[ " + ansi_to_console(title) + " ]\n";
  if (errorIcon) shown += "(X) ";
  shown += ansi_to_console(text.before);
  shown += name_to_console(text.name);  // escaped: a name must not draw on the terminal
  shown += ansi_to_console(text.after);
  if (shown.back() != '\n') shown += '\n';
  const bool terminal = input_is_terminal();
  if (buttons == BoxButtons::YesNo) {
    shown += "(Y/N): ";
  } else if (terminal) {
    shown += "(OK): ";
  }
  (void)std::fwrite(shown.data(), 1, shown.size(), stderr);
  (void)std::fflush(stderr);
  if (buttons == BoxButtons::YesNo) {
    const std::optional<std::string> answer = read_input_line();
    return answer && text::is_yes_answer(*answer);
  }
  // Nobody can press Enter on a pipe: an OK box then just shows itself.
  if (terminal) (void)read_input_line();
  return true;
}

}  // namespace verolt::platform
