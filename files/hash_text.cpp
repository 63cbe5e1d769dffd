// Hash values as text: the p1 and p2 renderings and the parser of list lines.
#include "files/hash_text.h"

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>

#include "files/console.h"
#include "files/lists.h"

namespace verolt::files {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kGroupDigits = 4;

// Anything that is not a hex digit reads as 0: such values are not rejected, and nothing
// depends on what they turn into.
unsigned hex_digit(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<unsigned>(c - '0');
  }
  if (c >= 'A' && c <= 'F') {
    return static_cast<unsigned>(c - 'A' + 10);
  }
  if (c >= 'a' && c <= 'f') {
    return static_cast<unsigned>(c - 'a' + 10);
  }
  return 0;
}

unsigned read_hex(std::string_view text) {
  return std::accumulate(text.begin(), text.end(), 0U,
                         [](unsigned number, char c) { return number * 16 + hex_digit(c); });
}

// GOST R 34.11-94 prints p1 as 16-bit words from the most significant, each word's high byte
// first: byte b of the value is digit pair `printed_pair(b)` of the text without blanks.
// GOST R 34.11-2012 keeps the order of p2.
std::size_t printed_pair(hash::Function function, std::size_t b, PrintFormat format) {
  if (format == PrintFormat::p2 || function.family != hash::Function::Family::gost94) return b;
  const std::size_t words = function.value_size() / 2;
  return 2 * (words - 1 - b / 2) + (1 - b % 2);
}

// Position of digit pair `pair` in the text: p1 puts a blank after every group of four digits.
std::size_t pair_position(std::size_t pair, PrintFormat format) {
  return format == PrintFormat::p2 ? 2 * pair : 2 * pair + pair / 2;
}

// `text` holds exactly hash_text_length characters.
void read_value(std::string_view text, hash::Function function, PrintFormat format,
                hash::Value& value) {
  value = hash::Value{function};
  for (std::size_t b = 0; b < value.size(); ++b) {
    const std::size_t at = pair_position(printed_pair(function, b, format), format);
    value[b] = static_cast<std::uint8_t>(read_hex(text.substr(at, 2)));
  }
}

bool is_total_line(std::string_view line, hash::Function function) {
  if (line.substr(0, TOTAL_PREFIX.size()) != TOTAL_PREFIX) return false;
  const std::size_t n = line.size() - TOTAL_PREFIX.size();
  // A run of GOST R 34.11-94 knows only its own lengths, as it always did; the 2012 function
  // also takes a total of the other length as one, to refuse it as a value of another function.
  for (const hash::Function f :
       {function, hash::Function::gost2012(256), hash::Function::gost2012(512)}) {
    if (n == hash_text_length(f, PrintFormat::p2) || n == hash_text_length(f, PrintFormat::p1)) {
      return true;
    }
    if (function.family == hash::Function::Family::gost94) break;
  }
  return false;
}

}  // namespace

std::size_t hash_text_length(hash::Function function, PrintFormat format) {
  const std::size_t digits = 2 * function.value_size();
  return format == PrintFormat::p2 ? digits : digits + digits / kGroupDigits - 1;
}

std::string hash_text(const hash::Value& value, PrintFormat format, bool console) {
  const std::size_t length = hash_text_length(value.function, format);
  const bool blank = format == PrintFormat::p1 && console;
  std::string text(length + (blank ? 1 : 0), ' ');
  for (std::size_t b = 0; b < value.size(); ++b) {
    const std::size_t at = pair_position(printed_pair(value.function, b, format), format);
    text[at] = kHexDigits[value[b] >> 4];
    text[at + 1] = kHexDigits[value[b] & 0x0FU];
  }
  return text;
}

void write_hash_text(const hash::Value& value, OutputFile& out, PrintFormat format) {
  out.write(hash_text(value, format) + "\n");
}

void print_hash_text(const hash::Value& value, PrintFormat format) {
  print_raw(hash_text(value, format, true) + "\n");
}

ParseResult parse_hash_line(std::string& line, hash::Function function, hash::Value& value,
                            PrintFormat format) {
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
  }

  const std::size_t length = hash_text_length(function, format);
  if (is_total_line(line, function)) {
    if (line.size() != TOTAL_PREFIX.size() + length) {
      return BAD_FORMAT;
    }
    read_value(std::string_view(line).substr(TOTAL_PREFIX.size()), function, format, value);
    return TOTAL_LINE;
  }

  const std::size_t tab = line.find('\t');
  if (tab == std::string::npos) {
    return NAME_ONLY;
  }
  const std::string text = line.substr(tab + 1);
  line.resize(tab);
  if (text.size() != length) {
    return BAD_FORMAT;
  }
  read_value(text, function, format, value);
  return HASH_LINE;
}

}  // namespace verolt::files
