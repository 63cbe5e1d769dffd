// Hash values as text: the p1 and p2 renderings and the parsers of list lines.
#include "files/hash_text.h"

#include <algorithm>
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
constexpr std::string_view kLowerHexDigits = "0123456789abcdef";
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
  if (line.substr(0, kTotalPrefix.size()) != kTotalPrefix) return false;
  const std::size_t n = line.size() - kTotalPrefix.size();
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

void strip_line_end(std::string& line) {
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
  }
}

bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool all_hex_digits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), is_hex_digit);
}

// The checksum tools' tag of a function in their BSD lines; empty for a function they lack.
std::string_view checksum_tag(hash::Function function) {
  if (function.family == hash::Function::Family::gost2012) {
    return function.variant == 256 ? "GOST12-256" : "GOST12-512";
  }
  if (function.variant == 0) return "GOST94";
  if (function.variant == 2) return "GOST94-CRYPTOPRO";
  return {};
}

bool is_tag_character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
         c == '_';
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

// Leaves in `line` only the name that fills `count` characters from `begin`, its escapes read
// back when the line was escaped; in place, as lines are read one after another into one string.
void keep_name(std::string& line, std::size_t begin, std::size_t count, bool escaped) {
  line.erase(begin + count);
  line.erase(0, begin);
  if (!escaped) return;
  std::size_t out = 0;
  for (std::size_t in = 0; in < line.size(); ++in, ++out) {
    char c = line[in];
    if (c == '\\' && in + 1 < line.size() && (line[in + 1] == '\\' || line[in + 1] == 'n')) {
      c = line[++in] == 'n' ? '\n' : '\\';
    }
    line[out] = c;
  }
  line.resize(out);
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
  strip_line_end(line);

  const std::size_t length = hash_text_length(function, format);
  if (is_total_line(line, function)) {
    if (line.size() != kTotalPrefix.size() + length) {
      return ParseResult::kBadFormat;
    }
    read_value(std::string_view(line).substr(kTotalPrefix.size()), function, format, value);
    return ParseResult::kTotalLine;
  }

  const std::size_t tab = line.find('\t');
  if (tab == std::string::npos) {
    return ParseResult::kNameOnly;
  }
  const std::string text = line.substr(tab + 1);
  line.resize(tab);
  if (text.size() != length) {
    return ParseResult::kBadFormat;
  }
  read_value(text, function, format, value);
  return ParseResult::kHashLine;
}

std::string checksum_line(const hash::Value& value, std::string_view name) {
  const auto escapes = static_cast<std::size_t>(
      std::count_if(name.begin(), name.end(), [](char c) { return c == '\\' || c == '\n'; }));
  std::string line;
  line.reserve((escapes > 0 ? 1 : 0) + 2 * value.size() + 2 + name.size() + escapes + 1);
  if (escapes > 0) line += '\\';
  for (std::size_t b = 0; b < value.size(); ++b) {
    line += kLowerHexDigits[value[b] >> 4];
    line += kLowerHexDigits[value[b] & 0x0FU];
  }
  line += "  ";
  for (const char c : name) {
    if (c == '\\') {
      line += "\\\\";
    } else if (c == '\n') {
      line += "\\n";
    } else {
      line += c;
    }
  }
  line += '\n';
  return line;
}

ParseResult parse_checksum_line(std::string& line, hash::Function function, hash::Value& value) {
  strip_line_end(line);
  const bool escaped = !line.empty() && line.front() == '\\';
  const std::size_t start = escaped ? 1 : 0;
  const std::string_view text = std::string_view(line).substr(start);
  const std::size_t digits = hash_text_length(function, PrintFormat::p2);

  // "<hex> <name>", "<hex>  <name>" (text) and "<hex> *<name>" (binary) all name the same file.
  if (text.size() > digits && text[digits] == ' ' && all_hex_digits(text.substr(0, digits))) {
    read_value(text.substr(0, digits), function, PrintFormat::p2, value);
    std::size_t name = digits + 1;
    if (name < text.size() && (text[name] == ' ' || text[name] == '*')) ++name;
    keep_name(line, start + name, text.size() - name, escaped);
    return ParseResult::kHashLine;
  }

  // "<TAG> (<name>) = <hex>": the name may hold ") = " itself, so its end is the last one.
  constexpr std::string_view kOpen = " (";
  constexpr std::string_view kClose = ") = ";
  const auto tagEnd = static_cast<std::size_t>(
      std::find_if_not(text.begin(), text.end(), is_tag_character) - text.begin());
  const std::size_t close = text.rfind(kClose);
  if (tagEnd == 0 || text.substr(tagEnd, kOpen.size()) != kOpen ||
      close == std::string_view::npos || close < tagEnd + kOpen.size()) {
    return ParseResult::kBadFormat;
  }
  const std::string_view hex = text.substr(close + kClose.size());
  if (hex.empty() || hex.find(' ') != std::string_view::npos) return ParseResult::kBadFormat;
  const std::string_view tag = checksum_tag(function);
  const bool usable = !tag.empty() && equals_ignoring_case(text.substr(0, tagEnd), tag) &&
                      hex.size() == digits && all_hex_digits(hex);
  if (usable) read_value(hex, function, PrintFormat::p2, value);
  const std::size_t name = tagEnd + kOpen.size();
  keep_name(line, start + name, close - name, escaped);
  return usable ? ParseResult::kHashLine : ParseResult::kBadFormat;
}

}  // namespace verolt::files
