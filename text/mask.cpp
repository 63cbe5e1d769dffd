// Mask matching for searches that the system does not filter itself.
#include "text/mask.h"

#include <cstddef>
#include <string_view>

namespace verolt::text {

namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_continuation(unsigned char c) { return (c & 0xC0U) == 0x80U; }

// Bytes of the character that starts at `pos`: a well-formed UTF-8 sequence counts as one
// character, so that "?" stands for a letter of a name in the locale's set; any other byte stands
// for itself.
std::size_t char_length(std::string_view s, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(s[pos]);
  std::size_t length = 1;
  if (lead >= 0xC2U && lead <= 0xDFU) {
    length = 2;
  } else if (lead >= 0xE0U && lead <= 0xEFU) {
    length = 3;
  } else if (lead >= 0xF0U && lead <= 0xF4U) {
    length = 4;
  }
  if (length == 1 || pos + length > s.size()) {
    return 1;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (!is_continuation(static_cast<unsigned char>(s[pos + i]))) {
      return 1;
    }
  }
  return length;
}

// True when the characters at mask[m] and name[n] are the same, ASCII letters in either case.
bool same_char(std::string_view mask, std::size_t m, std::string_view name, std::size_t n) {
  const std::size_t length = char_length(mask, m);
  if (length != char_length(name, n)) {
    return false;
  }
  if (length == 1) {
    return fold(mask[m]) == fold(name[n]);
  }
  return mask.substr(m, length) == name.substr(n, length);
}

}  // namespace

bool mask_matches(std::string_view mask, std::string_view name) {
  if (mask == "*.*") {
    return true;
  }
  // Both texts are walked a whole character at a time, so every position visited starts a
  // character and each text splits into characters one way only.
  std::size_t m = 0;
  std::size_t n = 0;
  // Where the last star was met, and the name position it has swallowed up to. Only that star is
  // ever revisited: an earlier star can gain nothing that the later one cannot, which keeps the
  // work within mask length × name length.
  std::size_t starMask = std::string_view::npos;
  std::size_t starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && mask[m] == '?') {
      ++m;
      n += char_length(name, n);
    } else if (m < mask.size() && same_char(mask, m, name, n)) {
      m += char_length(mask, m);
      n += char_length(name, n);
    } else if (starMask != std::string_view::npos) {
      starName += char_length(name, starName);
      m = starMask + 1;
      n = starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') {
    ++m;
  }
  return m == mask.size();
}

}  // namespace verolt::text
