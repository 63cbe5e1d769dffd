#pragma once

#include <cstddef>
#include <string_view>

namespace verolt::text {

// The one case rule of names, masks, options and answers: ASCII letters fold to lower case and
// every other byte stays as it is, so a letter outside ASCII matches only itself in any set.
constexpr char fold_ascii(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool equal_folded(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold_ascii(a[i]) != fold_ascii(b[i])) return false;
  }
  return true;
}

constexpr bool starts_folded(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() && equal_folded(text.substr(0, prefix.size()), prefix);
}

// A Y/N question is answered yes by a line that starts with Y in either case; anything else,
// an empty line or the end of input, is no.
constexpr bool is_yes_answer(std::string_view line) noexcept {
  return !line.empty() && fold_ascii(line.front()) == 'y';
}

}  // namespace verolt::text
