// File names on Windows: either slash ends a directory, and names are in the ANSI code page
// (Windows-1251) already, so they sort as they stand.
#include "platform/file_names.h"

#include "platform/windows/win32.h"
#include "text/cp1251.h"

namespace verolt::platform {

bool is_separator(char c) { return c == '\\' || c == '/'; }

std::string name_sort_form(std::string_view name) { return std::string(name); }

std::string name_match_form(std::string_view name) {
  std::string form(name);
  for (char& c : form) {
    if (c == '/') c = '\\';
  }
  if (!form.empty()) CharUpperBuffA(form.data(), static_cast<DWORD>(form.size()));
  return form;
}

std::optional<std::string> other_build_name(std::string_view listed) {
  // Pure ASCII reads the same in both forms.
  bool beyondAscii = false;
  for (const char c : listed) beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
  if (!beyondAscii) return std::nullopt;
  return text::utf8_to_cp1251(listed);
}

}  // namespace verolt::platform
