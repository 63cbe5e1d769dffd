// Text renderings of hash values (print formats p1 and p2) and the parsers of list lines: the
// program's own and those of the GNU and BSD checksum tools.
#pragma once

#include <string>
#include <string_view>

#include "hash/function.h"

namespace verolt::files {

class OutputFile;

// The two renderings of a value, /p1 and /p2.
enum class PrintFormat { p1, p2 };

// What a list line is: a bare name, a name and its value, the total line of a stream hash, or a
// line whose value does not fit.
enum class ParseResult { kNameOnly, kHashLine, kTotalLine, kBadFormat };

// "Полный хэш = " in Windows-1251 (13 bytes).
inline constexpr std::string_view kTotalPrefix = "\xCF\xEE\xEB\xED\xFB\xE9 \xF5\xFD\xF8 = ";

// The length of a value's text without the console's trailing blank: p2 two digits a byte, p1
// groups of four digits with a blank between groups.
std::size_t hash_text_length(hash::Function function, PrintFormat format);

// The value as text without line end. p2: the bytes from byte 0, two digits each. p1: groups
// of four digits; for GOST R 34.11-94 the 16-bit words from the most significant, for GOST R
// 34.11-2012 the p2 digits as they stand. The console form adds a blank after the last group.
std::string hash_text(const hash::Value& value, PrintFormat format, bool console = false);

// The rendering and its line end, into a list file / onto standard output.
void write_hash_text(const hash::Value& value, OutputFile& out, PrintFormat format);
void print_hash_text(const hash::Value& value, PrintFormat format);

// Classifies one line as read from a list file (line end included), leaves the file name in
// `line` and, for kHashLine and kTotalLine, the value of `function` in `value`. A value whose
// length is not that of `function` is kBadFormat.
ParseResult parse_hash_line(std::string& line, hash::Function function, hash::Value& value,
                            PrintFormat format);

// One line of a list in the format of the GNU and BSD checksum tools, LF included: the p2 digits
// in lower case, two blanks, the name. A name with a backslash or an LF is escaped as those
// tools escape it: the line begins with "\", and each of them is written "\\" or "\n".
std::string checksum_line(const hash::Value& value, std::string_view name);

// Reads one line of such a list (line end, LF or CR LF, included) as parse_hash_line reads its
// lines: kHashLine with the name in `line` and the value of `function` in `value`, or kBadFormat.
// "<hex> <name>", where <hex> has the digits of `function` in either case and one more blank or
// a "*" before the name is left out; or "<TAG> (<name>) = <hex>", where the tag, in either case,
// names `function` (GOST R 34.11-94 with set 1 has none). A line that begins with "\" has "\\"
// and "\n" in its name read back. A tagged line of another function, or whose value does not
// fit, leaves its name; a line of neither form is kBadFormat named by the whole line. No
// allocation beyond what `line` holds.
ParseResult parse_checksum_line(std::string& line, hash::Function function, hash::Value& value);

}  // namespace verolt::files
