// Mask matching of file names: pure text, for the searches that the system does not filter
// itself.
#pragma once

#include <string_view>

namespace verolt::text {

// Mask matching of the POSIX search: "*" any run, "?" one character, ASCII letters in either
// case, "*.*" every name. Runs in O(mask × name) at worst.
bool mask_matches(std::string_view mask, std::string_view name);

}  // namespace verolt::text
