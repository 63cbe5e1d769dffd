// Mask matching for searches that the system does not filter itself, and for the masks that
// leave paths out of a walk.
#include "text/mask.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "text/ascii.h"
#include "text/cp1251.h"

namespace verolt::text {

namespace {

// Bytes of the character that starts at `pos`. With `utf8` what next_utf8 reads as one code point
// is one character, so that "?" stands for one letter of a UTF-8 name; every other byte (a stray
// or cut byte, and each byte of an overlong form, a surrogate or a value past U+10FFFF) stands for
// itself, as does every byte without `utf8`.
std::size_t char_length(std::string_view s, std::size_t pos, bool utf8) {
  if (!utf8 || static_cast<unsigned char>(s[pos]) < 0x80U) return 1;
  std::size_t end = pos;
  return next_utf8(s, end) ? end - pos : 1;
}

// True when the characters at mask[m] and name[n] are the same, ASCII letters in either case.
bool same_char(std::string_view mask, std::size_t m, std::string_view name, std::size_t n,
               bool utf8) {
  const std::size_t length = char_length(mask, m, utf8);
  if (length != char_length(name, n, utf8)) {
    return false;
  }
  if (length == 1) {
    return fold_ascii(mask[m]) == fold_ascii(name[n]);
  }
  return mask.substr(m, length) == name.substr(n, length);
}

// "*" any run, "?" one character, ASCII letters in either case; nothing else is special.
bool match_name(std::string_view mask, std::string_view name, bool utf8) {
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
      n += char_length(name, n, utf8);
    } else if (m < mask.size() && same_char(mask, m, name, n, utf8)) {
      m += char_length(mask, m, utf8);
      n += char_length(name, n, utf8);
    } else if (starMask != std::string_view::npos) {
      starName += char_length(name, starName, utf8);
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

bool is_path_separator(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::windows && c == '\\');
}

}  // namespace

bool mask_matches(std::string_view mask, std::string_view name) {
  return mask == "*.*" || match_name(mask, name, true);
}

PathMask::PathMask(std::string_view mask, PathStyle style) : style_(style) {
  const auto separator = [style](char c) { return is_path_separator(c, style); };
  anchored_ = std::any_of(mask.begin(), mask.end(), separator);
  // Relative paths start with no separator and no "./": such a start only anchors the mask.
  for (;;) {
    if (!mask.empty() && separator(mask.front())) {
      mask.remove_prefix(1);
    } else if (mask.size() >= 2 && mask[0] == '.' && separator(mask[1])) {
      mask.remove_prefix(2);
    } else {
      break;
    }
  }
  // "dir/" names the directory, which no empty last part of a path ever would.
  while (!mask.empty() && separator(mask.back())) mask.remove_suffix(1);
  mask_ = mask;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= mask_.size(); ++i) {
    if (i == mask_.size() || separator(mask_[i])) {
      parts_.emplace_back(start, i - start);
      start = i + 1;
    }
  }
}

bool PathMask::part_matches(std::size_t index, std::string_view name) const {
  const auto [offset, length] = parts_[index];
  return match_name(std::string_view(mask_).substr(offset, length), name,
                    style_ == PathStyle::posix);
}

bool PathMask::covers(std::string_view path) const {
  std::size_t index = 0;
  for (std::size_t start = 0;;) {
    std::size_t end = start;
    while (end < path.size() && !is_path_separator(path[end], style_)) ++end;
    const std::string_view part = path.substr(start, end - start);
    if (anchored_) {
      if (!part_matches(index, part)) return false;
      if (++index == parts_.size()) return true;
    } else if (part_matches(0, part)) {
      return true;
    }
    if (end == path.size()) return false;
    start = end + 1;
  }
}

}  // namespace verolt::text
