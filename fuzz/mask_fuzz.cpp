// The mask matcher on arbitrary masks and names, against a plain recursive matcher that splits
// both into characters by the UTF-8 rule itself and tries every way a star can end, and against
// laws every mask must obey. The input is the mask, a NUL byte and the name; lengths are capped
// so that the reference stays cheap, while an exponential matcher would still blow the time
// limit.
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

// The well-formed byte sequences of UTF-8 as RFC 3629 lists them: a lead byte range, then the
// range of the second byte; any further bytes are 80..BF. Written from the table rather than by
// decoding, so that overlong forms (C0, C1, E0 80..9F, F0 80..8F), surrogates (ED A0..BF) and
// values past U+10FFFF (F4 90..BF, F5..FF) are left out by construction.
struct Form {
  unsigned char leadLow, leadHigh, secondLow, secondHigh;
  std::size_t length;
};
constexpr Form kForms[] = {
    {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3}, {0xE1, 0xEC, 0x80, 0xBF, 3},
    {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3}, {0xF0, 0xF0, 0x90, 0xBF, 4},
    {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4},
};

// Bytes of the character at `pos`: a well-formed UTF-8 sequence is one character, any other byte
// one character by itself.
std::size_t char_length(std::string_view s, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[pos + i]); };
  for (const Form& form : kForms) {
    if (byte(0) < form.leadLow || byte(0) > form.leadHigh) continue;
    if (pos + form.length > s.size()) return 1;
    if (byte(1) < form.secondLow || byte(1) > form.secondHigh) return 1;
    for (std::size_t i = 2; i < form.length; ++i) {
      if (byte(i) < 0x80 || byte(i) > 0xBF) return 1;
    }
    return form.length;
  }
  return 1;
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

// Whether the name is whole characters and no byte of 0x80 or above stands alone: then bytes
// put behind it cannot join its last bytes into one character.
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
    // Any other character of the mask stands for itself, ASCII letters in either case.
    const std::size_t length = char_length(mask_, m);
    if (length != char_length(name_, n)) return false;
    const bool same = length == 1 ? fold(mask_[m]) == fold(name_[n])
                                  : mask_.substr(m, length) == name_.substr(n, length);
    return same && match(m + length, n + length);
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
  check(matched == Reference(mask, name).matches(), "the matcher agrees with the reference");

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
