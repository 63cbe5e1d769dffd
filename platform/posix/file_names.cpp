// File names on POSIX systems: slashes only, names in the locale's character set (UTF-8 as a
// rule), sorted by their Windows-1251 form so that both builds agree on the order.
#include "platform/file_names.h"

#include <iconv.h>

#include <cstddef>
#include <utility>

#include "platform/posix/codeset.h"
#include "text/cp1251.h"

namespace verolt::platform {

bool is_separator(char c) { return c == '/'; }

std::string name_match_form(std::string_view name) { return std::string(name); }

std::string name_sort_form(std::string_view name) {
  return text::utf8_to_cp1251(name).value_or(std::string(name));
}

namespace {

// Windows-1251 text in the locale's character set; nothing when a byte has no place there.
std::optional<std::string> from_cp1251_strictly(std::string_view ansi) {
  const iconv_t cd = ::iconv_open(console_codeset().c_str(), "CP1251");
  if (cd == iconv_t(-1)) return std::nullopt;  // NOLINT(performance-no-int-to-ptr)
  std::string in(ansi);
  std::string out(ansi.size() * 4 + 16, '\0');
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const bool whole =
      ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
  ::iconv_close(cd);
  if (!whole) return std::nullopt;
  out.resize(static_cast<std::size_t>(outPtr - out.data()));
  return out;
}

}  // namespace

std::optional<std::string> other_build_name(std::string_view listed) {
  std::string name(listed);
  bool changed = false;
  if (!text::is_utf8(listed)) {
    if (std::optional<std::string> converted = from_cp1251_strictly(listed)) {
      name = std::move(*converted);
      changed = true;
    }
  }
  for (char& c : name) {
    if (c == '\\') {
      c = '/';
      changed = true;
    }
  }
  if (!changed) return std::nullopt;
  return name;
}

}  // namespace verolt::platform
