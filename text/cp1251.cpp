// Windows-1251, the code page of the program's texts and of names on Windows, against Unicode.
// Shared by both platforms: the table is the same everywhere, so both builds agree on it.
#include "text/cp1251.h"

#include <array>

namespace verolt::text {

namespace {

// Code points of the bytes 0x80..0xBF; 0x98 has none. 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<std::uint16_t, 64> kHighHalf = {
    0x402,  0x403,  0x201a, 0x453,  0x201e, 0x2026, 0x2020, 0x2021, 0x20ac, 0x2030, 0x409,
    0x2039, 0x40a,  0x40c,  0x40b,  0x40f,  0x452,  0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0,      0x2122, 0x459,  0x203a, 0x45a,  0x45c,  0x45b,  0x45f,  0xa0,
    0x40e,  0x45e,  0x408,  0xa4,   0x490,  0xa6,   0xa7,   0x401,  0xa9,   0x404,  0xab,
    0xac,   0xad,   0xae,   0x407,  0xb0,   0xb1,   0x406,  0x456,  0x491,  0xb5,   0xb6,
    0xb7,   0x451,  0x2116, 0x454,  0xbb,   0x458,  0x405,  0x455,  0x457};

}  // namespace

int cp1251_byte(std::uint32_t codePoint) {
  if (codePoint < 0x80) return static_cast<int>(codePoint);
  if (codePoint >= 0x410 && codePoint <= 0x44F) return static_cast<int>(0xC0 + codePoint - 0x410);
  for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
    if (kHighHalf[i] != 0 && kHighHalf[i] == codePoint) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::optional<std::uint32_t> next_utf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t length = 0;
  std::uint32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07u;
  } else {
    return std::nullopt;
  }
  if (i + length > text.size()) return std::nullopt;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (next & 0x3Fu);
  }
  // Overlong forms, surrogates and values past Unicode are not UTF-8.
  static constexpr std::uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return std::nullopt;
  i += length;
  return cp;
}

std::optional<std::string> utf8_to_cp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::optional<std::uint32_t> cp = next_utf8(utf8, i);
    if (!cp) return std::nullopt;
    const int byte = cp1251_byte(*cp);
    if (byte < 0) return std::nullopt;
    out.push_back(static_cast<char>(byte));
  }
  return out;
}

bool is_utf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (!next_utf8(text, i)) return false;
  }
  return true;
}

}  // namespace verolt::text
