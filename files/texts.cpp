#include "files/texts.h"

#include <cstdint>
#include <optional>

#include "text/cp1251.h"

namespace verolt::files {

std::string to_ansi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t at = i;
    const std::optional<std::uint32_t> cp = text::next_utf8(utf8, i);
    const int byte = cp ? text::cp1251_byte(*cp) : -1;
    if (!cp) i = at + 1;
    out.push_back(byte >= 0 ? static_cast<char>(byte) : '?');
  }
  return out;
}

}  // namespace verolt::files
