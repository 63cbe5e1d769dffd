// Names and arguments as people are shown them: bytes that a terminal would obey, or that would
// start a line of their own, written out instead. Pure text, the same in every build.
#pragma once

#include <string>
#include <string_view>

namespace verolt::text {

// `bytes` with each control byte (0x00-0x1F, 0x7F) written as "\xHH", two upper-case hex digits.
// With `c1` also the UTF-8 form of each C1 control (U+0080-U+009F, bytes C2 80..C2 9F), both of
// its bytes so: a UTF-8 terminal obeys those as it obeys ESC. Every other byte stays as it is.
std::string escape_controls(std::string_view bytes, bool c1);

}  // namespace verolt::text
