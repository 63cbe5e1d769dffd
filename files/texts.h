// The program's own texts: written in the source as UTF-8, used as Windows-1251 bytes.
#pragma once

#include <string>
#include <string_view>

namespace verolt::files {

// UTF-8 text (ASCII and Russian letters) as Windows-1251 bytes; other characters become '?'.
std::string to_ansi(std::string_view utf8);

}  // namespace verolt::files
