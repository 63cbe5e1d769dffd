// Text renderings of hash values (print formats p1 and p2) and the parser of list lines.
#pragma once

#include <string>
#include <string_view>

#include "hash/gost94/hash.h"

namespace verolt::files {

class OutputFile;

// Flag of the command line: 1 means p2, 0 means p1.
enum class PrintFormat { p1 = 0, p2 = 1 };

// Results of parse_hash_line; callers test the numbers.
enum ParseResult { NAME_ONLY = 0, HASH_LINE = 1, TOTAL_LINE = 2, BAD_FORMAT = 3 };

// "Полный хэш = " in Windows-1251 (13 bytes).
inline constexpr std::string_view TOTAL_PREFIX = "\xCF\xEE\xEB\xED\xFB\xE9 \xF5\xFD\xF8 = ";

// The value as text without line end: p2 64 digits; p1 79 characters, or 80 with the console's
// trailing blank.
std::string hash_text(const gost94::HashValue& value, PrintFormat format, bool console = false);

// The rendering and its line end, into a list file / onto standard output.
void write_hash_text(const gost94::HashValue& value, OutputFile& out, PrintFormat format);
void print_hash_text(const gost94::HashValue& value, PrintFormat format);

// Classifies one line as read from a list file (line end included), leaves the file name in
// `line` and, for HASH_LINE and TOTAL_LINE, the value in `value`.
ParseResult parse_hash_line(std::string& line, gost94::HashValue& value, PrintFormat format);

}  // namespace verolt::files
