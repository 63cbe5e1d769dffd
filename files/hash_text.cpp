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
constexpr std::size_t kWords = 16;
constexpr std::size_t kP2Length = 64;
constexpr std::size_t kP1Length = 79;
constexpr std::size_t kGroupStride = 5;

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

// `text` holds exactly 64 (p2) or 79 (p1) characters.
void read_value(std::string_view text, PrintFormat format, gost94::HashValue& value) {
  if (format == PrintFormat::p2) {
    for (std::size_t i = 0; i < value.size(); ++i) {
      value[i] = static_cast<std::uint8_t>(read_hex(text.substr(2 * i, 2)));
    }
    return;
  }
  for (std::size_t group = 0; group < kWords; ++group) {
    const unsigned word = read_hex(text.substr(group * kGroupStride, 4));
    const std::size_t w = kWords - 1 - group;
    value[2 * w] = static_cast<std::uint8_t>(word & 0xFFU);
    value[2 * w + 1] = static_cast<std::uint8_t>(word >> 8);
  }
}

std::size_t value_length(PrintFormat format) {
  return format == PrintFormat::p2 ? kP2Length : kP1Length;
}

}  // namespace

std::string hash_text(const gost94::HashValue& value, PrintFormat format, bool console) {
  std::string text;
  if (format == PrintFormat::p2) {
    text.reserve(kP2Length);
    for (const std::uint8_t byte : value) {
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 0x0FU];
    }
    return text;
  }
  text.reserve(kP1Length + 1);
  for (std::size_t w = kWords; w-- > 0;) {
    const unsigned word = value[2 * w] | (static_cast<unsigned>(value[2 * w + 1]) << 8);
    for (int shift = 12; shift >= 0; shift -= 4) {
      text += kHexDigits[(word >> shift) & 0x0FU];
    }
    if (w > 0 || console) {
      text += ' ';
    }
  }
  return text;
}

void write_hash_text(const gost94::HashValue& value, OutputFile& out, PrintFormat format) {
  out.write(hash_text(value, format) + "\n");
}

void print_hash_text(const gost94::HashValue& value, PrintFormat format) {
  print_raw(hash_text(value, format, true) + "\n");
}

ParseResult parse_hash_line(std::string& line, gost94::HashValue& value, PrintFormat format) {
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
  }

  const std::size_t n = line.size();
  if ((n == TOTAL_PREFIX.size() + kP2Length || n == TOTAL_PREFIX.size() + kP1Length) &&
      std::string_view(line).substr(0, TOTAL_PREFIX.size()) == TOTAL_PREFIX) {
    if (n != TOTAL_PREFIX.size() + value_length(format)) {
      return BAD_FORMAT;
    }
    read_value(std::string_view(line).substr(TOTAL_PREFIX.size()), format, value);
    return TOTAL_LINE;
  }

  const std::size_t tab = line.find('\t');
  if (tab == std::string::npos) {
    return NAME_ONLY;
  }
  const std::string text = line.substr(tab + 1);
  line.resize(tab);
  if (text.size() != value_length(format)) {
    return BAD_FORMAT;
  }
  read_value(text, format, value);
  return HASH_LINE;
}

}  // namespace verolt::files
