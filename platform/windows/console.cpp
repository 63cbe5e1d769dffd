// The console on Windows: texts through CharToOemA into the OEM code page, progress on the
// console device itself, and MessageBoxA boxes unless asked to use the console.
#include "platform/console.h"

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/windows/win32.h"
#include "text/escape.h"

namespace verolt::platform {

void initialise_console() {}

std::string ansi_to_console(std::string_view ansi) {
  // CharToOemA works on zero-terminated text; a NUL inside cannot occur in the texts it gets,
  // but the copy keeps every byte up to the end regardless.
  std::string text(ansi);
  std::size_t start = 0;
  while (start < text.size()) {
    CharToOemA(text.c_str() + start, &text[start]);
    start += std::strlen(text.c_str() + start) + 1;
  }
  return text;
}

std::string ansi_to_report(std::string_view ansi) { return std::string(ansi); }

// Escaped in its own Windows-1251 form: the bytes judged are the name's, and the escapes are
// ASCII, which the OEM conversion keeps.
std::string name_to_console(std::string_view name) {
  return ansi_to_console(text::escape_controls(name, false));
}

// No C1 controls here: in Windows-1251, which arguments come in, 0x80-0x9F are letters.
std::string argument_to_console(std::string_view argument) {
  return text::escape_controls(argument, false);
}

namespace {

// The console device itself, so that progress never enters a redirected standard output.
HANDLE console_device() {
  static const HANDLE handle =
      CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  return handle;
}

}  // namespace

bool console_channel_open() { return console_device() != INVALID_HANDLE_VALUE; }

bool output_is_terminal() {
  static const bool console = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
  return console;
}

void console_write(std::string_view text) {
  const HANDLE handle = console_device();
  if (handle == INVALID_HANDLE_VALUE) return;
  // A name printed on the same console shows before its progress; redirected output may wait.
  if (output_is_terminal()) (void)std::fflush(stdout);
  DWORD written = 0;
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// ---- answers and boxes ----

bool input_is_terminal() { return _isatty(_fileno(stdin)) != 0; }

namespace {
bool consoleBoxes = false;  // set once at start-up, before any box
}  // namespace

void use_console_boxes(bool on) { consoleBoxes = on; }

bool message_box(const BoxText& text, std::string_view title, BoxButtons buttons, bool errorIcon) {
  // Scheduled tasks have nobody to click a box: they ask for the console's.
  if (consoleBoxes) return console_message_box(text, title, buttons, errorIcon);
  const std::string body = text.before + text::escape_controls(text.name, false) + text.after;
  const std::string caption(title);
  UINT style = buttons == BoxButtons::YesNo ? MB_YESNO : MB_OK;
  if (errorIcon) style |= MB_ICONERROR;
  const int answer = MessageBoxA(nullptr, body.c_str(), caption.c_str(), style);
  return buttons == BoxButtons::Ok || answer == IDYES;
}

}  // namespace verolt::platform
