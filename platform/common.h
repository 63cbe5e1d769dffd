// What the POSIX and Windows implementations share, compiled on both beside them: the check made
// before a name is handed to the system, and sizes as each system reports them. No system header.
#pragma once

#include <cstdint>
#include <string_view>

namespace verolt::platform {

// The systems read a name up to its first NUL, so a name that holds one (a line of a UTF-16 list,
// say) would lead to another file: every call that hands a name to the system refuses it first.
bool holds_nul(std::string_view name);

// A size the system reports as a signed count (POSIX's off_t): none below 0.
std::uint64_t size_of(std::int64_t reported);
// A size or file index the system reports in two 32-bit halves (Windows).
std::uint64_t size_of(std::uint32_t high, std::uint32_t low);

}  // namespace verolt::platform
