// The mask matcher on arbitrary masks and names, against a plain recursive matcher that tries
// every way a star can end, and against laws every mask must obey. The input is the mask, a NUL
// byte and the name; lengths are capped so that the reference stays cheap, while an exponential
// matcher would still blow the time limit.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "text/mask.h"

namespace {

using verolt::fuzz::check;
using verolt::text::mask_matches;

constexpr std::size_t kMaxMask = 64;
constexpr std::size_t kMaxName = 256;

// Bytes of the character at `pos`: a well-formed UTF-8 sequence is one character, any other byte
// one character by itself.
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
  if (pos + length > s.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(s[pos + i]) & 0xC0U) != 0x80U) return 1;
  }
  return length;
}

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char swap_case(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c;
}

std::string swapped(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), swap_case);
  return out;
}

// Whether the name is whole characters from start to end and no byte of 0x80 or above stands
// alone: then every matcher that steps by characters sees the same boundaries.
bool well_formed(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t length = char_length(s, i);
    if (length == 1 && static_cast<unsigned char>(s[i]) >= 0x80U) return false;
    i += length;
  }
  return true;
}

// Memoised: match(m, n) is whether mask[m..] matches name[n..].
class Reference {
 public:
  Reference(std::string_view mask, std::string_view name)
      : mask_(mask), name_(name), memo_((mask.size() + 1) * (name.size() + 1), kUnknown) {}

  // "*.*" is every name, with or without a dot, as on Windows.
  bool matches() { return mask_ == "*.*" || match(0, 0); }

 private:
  static constexpr signed char kUnknown = -1;

  bool match(std::size_t m, std::size_t n) {
    signed char& slot = memo_[m * (name_.size() + 1) + n];
    if (slot == kUnknown) slot = compute(m, n) ? 1 : 0;
    return slot == 1;
  }

  bool compute(std::size_t m, std::size_t n) {
    if (m == mask_.size()) return n == name_.size();
    if (mask_[m] == '*') {
      // Nothing more, or one more character and still the same star.
      return match(m + 1, n) || (n < name_.size() && match(m, n + char_length(name_, n)));
    }
    if (n == name_.size()) return false;
    if (mask_[m] == '?') return match(m + 1, n + char_length(name_, n));
    return fold(mask_[m]) == fold(name_[n]) && match(m + 1, n + 1);
  }

  std::string_view mask_;
  std::string_view name_;
  std::vector<signed char> memo_;
};

bool has_wildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  // Without a NUL the input is both the mask and the name.
  std::string_view mask = nul == std::string_view::npos ? input : input.substr(0, nul);
  std::string_view name = nul == std::string_view::npos ? input : input.substr(nul + 1);
  mask = mask.substr(0, kMaxMask);
  name = name.substr(0, kMaxName);

  const bool matched = mask_matches(mask, name);
  if (well_formed(mask) && well_formed(name)) {
    check(matched == Reference(mask, name).matches(), "the matcher agrees with the reference");
  }

  check(mask_matches("*", name), "\"*\" matches every name");
  check(mask_matches("*.*", name), "\"*.*\" matches every name");
  check(mask_matches("**", name), "\"**\" matches every name");
  check(mask_matches(mask, name) == matched, "matching is repeatable");
  check(mask_matches(swapped(mask), name) == matched,
        "ASCII letters of the mask match either case");
  check(mask_matches(mask, swapped(name)) == matched,
        "ASCII letters of the name match either case");
  // Bytes put behind a malformed name can join its last bytes into one character.
  if (matched && well_formed(name)) {
    check(mask_matches(std::string(mask) + "*", std::string(name) + std::string(mask)),
          "a trailing star takes any tail");
  }

  if (!has_wildcard(name)) {
    check(mask_matches(name, name), "a name without wildcards matches itself as a mask");
    check(mask_matches(swapped(name), name), "a name matches its ASCII case swap");
    // Only ASCII letters fold: a changed byte from 0x80 up (in Windows-1251 the other case of a
    // Cyrillic letter) is another name.
    const auto high = std::find_if(name.begin(), name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x80U; });
    if (high != name.end()) {
      std::string other(name);
      char& changed = other[static_cast<std::size_t>(high - name.begin())];
      changed = static_cast<char>(changed ^ 0x20);
      check(!mask_matches(other, name), "bytes from 0x80 up are not folded");
    }
    if (!name.empty()) {
      check(!mask_matches(std::string(name) + "x", name), "a longer literal mask does not match");
      check(!mask_matches(name.substr(1), name), "a shorter literal mask does not match");
    }
  }
  return 0;
}
