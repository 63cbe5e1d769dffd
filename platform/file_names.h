// File names as this system writes them: the directory separator, the order names sort in, and
// the form here of a name that the other build wrote into a list.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verolt::platform {

// Directory separator used when names are joined, and the one that ends a directory prefix.
// Whether two names are one file's only when their bytes are the same (see name_match_form).
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr bool kNamesMatchAsWritten = false;
#else
inline constexpr char kSeparator = '/';
inline constexpr bool kNamesMatchAsWritten = true;
#endif

// True for every character that ends the directory prefix of a target.
bool is_separator(char c);

// A name as it is ordered: its Windows-1251 form where it has one (on Windows names are in that
// code page already), so both builds put a tree in the same order.
std::string name_sort_form(std::string_view name);

// The form in which two names are the same file's name to the system: as they are on POSIX; on
// Windows with "/" as "\" and letters in upper case, as the file system compares them.
std::string name_match_form(std::string_view name);

// The form a name listed by the other build takes here, tried when the name as listed cannot be
// opened: on POSIX a name that is not UTF-8 converted from Windows-1251 to the locale's set, and
// backslashes as slashes; on Windows a UTF-8 name with letters beyond ASCII converted wholly to
// Windows-1251. Nothing when there is no other form.
std::optional<std::string> other_build_name(std::string_view listed);

}  // namespace verolt::platform
