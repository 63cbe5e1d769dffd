// Windows-1251 against Unicode, and the UTF-8 reading that goes with it: pure conversions, the
// same in every build so that both agree on texts, names and their order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace verolt::text {

// Windows-1251: the byte of a code point, or -1 when it has none.
int cp1251_byte(std::uint32_t codePoint);
// The code point of the UTF-8 character at `i`, which moves past it; nothing when the bytes there
// are not UTF-8.
std::optional<std::uint32_t> next_utf8(std::string_view text, std::size_t& i);
// The Windows-1251 form of UTF-8 text; nothing when it is not UTF-8 or a character has none.
std::optional<std::string> utf8_to_cp1251(std::string_view utf8);
// True when the whole of `text` is UTF-8.
bool is_utf8(std::string_view text);

}  // namespace verolt::text
