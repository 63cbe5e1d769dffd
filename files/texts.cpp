#include "files/texts.h"

#include <cstdint>

namespace verolt::files {

namespace {

// Windows-1251 byte of a code point outside ASCII, or 0 when it has none we use.
unsigned char cp1251_byte(std::uint32_t cp) {
  if (cp >= 0x410 && cp <= 0x44F) return static_cast<unsigned char>(0xC0 + (cp - 0x410));
  switch (cp) {
    case 0x401:
      return 0xA8;  // Ё
    case 0x451:
      return 0xB8;  // ё
    case 0x2116:
      return 0xB9;  // №
    case 0xAB:
      return 0xAB;  // «
    case 0xBB:
      return 0xBB;  // »
    case 0x2013:
      return 0x96;  // –
    case 0x2014:
      return 0x97;  // —
    case 0xA9:
      return 0xA9;  // ©
    default:
      return 0;
  }
}

}  // namespace

std::string to_ansi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      cp = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      cp = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      cp = lead & 0x07u;
    }
    bool valid = length != 0 && i + length <= utf8.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      valid = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3Fu);
    }
    const unsigned char byte = valid ? cp1251_byte(cp) : 0;
    out.push_back(byte != 0 ? static_cast<char>(byte) : '?');
    i += valid ? length : 1;
  }
  return out;
}

}  // namespace verolt::files
