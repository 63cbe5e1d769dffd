// The parser of list lines on arbitrary bytes, in both print formats: its result, the name it
// leaves and the value it reads must be those the line's form gives, and every value the
// renderer writes must read back unchanged.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>

#include "files/hash_text.h"
#include "fuzz/check.h"

namespace {

using verolt::files::kTotalPrefix;
using verolt::files::ParseResult;
using verolt::files::PrintFormat;
using verolt::fuzz::check;
using verolt::hash::Function;
using HashValue = verolt::hash::Value;

// The run's function, set for each pass over an input.
Function run_function = Function::gost94(2);

ParseResult parse_hash_line(std::string& line, HashValue& value, PrintFormat format) {
  return verolt::files::parse_hash_line(line, run_function, value, format);
}

// Text lengths: 64 digits and 79 characters in p1, 128 and 159 for the 512-bit function.
std::size_t value_length(PrintFormat format, Function function = run_function) {
  const bool wide = function == Function::gost2012(512);
  if (format == PrintFormat::p2) return wide ? 128 : 64;
  return wide ? 159 : 79;
}

// A run of GOST R 34.11-94 takes only its own lengths for a total line; the 2012 functions take
// those of either width, to refuse the wrong one.
bool total_length(std::size_t n) {
  if (run_function.family == Function::Family::gost94) return n == 64 || n == 79;
  return n == 64 || n == 79 || n == 128 || n == 159;
}

bool is_hex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

unsigned hex_value(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  return static_cast<unsigned>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
}

unsigned hex_number(std::string_view digits) {
  return std::accumulate(digits.begin(), digits.end(), 0U,
                         [](unsigned number, char c) { return number * 16 + hex_value(c); });
}

// The value a text of the right length holds, when every digit it reads is a hex digit; false
// when some is not (what such text reads as is the parser's own affair).
bool expected_value(std::string_view text, PrintFormat format, HashValue& value) {
  value = HashValue{run_function};
  if (format == PrintFormat::p2) {
    if (!std::all_of(text.begin(), text.end(), is_hex)) return false;
    for (std::size_t i = 0; i < value.size(); ++i) {
      value[i] = static_cast<std::uint8_t>(hex_number(text.substr(2 * i, 2)));
    }
    return true;
  }
  if (run_function.family == Function::Family::gost2012) {
    // The p2 digits in groups of four.
    for (std::size_t i = 0; i < value.size(); ++i) {
      const std::string_view digits = text.substr(5 * (i / 2) + 2 * (i % 2), 2);
      if (!std::all_of(digits.begin(), digits.end(), is_hex)) return false;
      value[i] = static_cast<std::uint8_t>(hex_number(digits));
    }
    return true;
  }
  for (std::size_t group = 0; group < 16; ++group) {
    const std::string_view digits = text.substr(group * 5, 4);
    if (!std::all_of(digits.begin(), digits.end(), is_hex)) return false;
    const unsigned word = hex_number(digits);
    const std::size_t w = 15 - group;
    value[2 * w] = static_cast<std::uint8_t>(word & 0xFFU);
    value[2 * w + 1] = static_cast<std::uint8_t>(word >> 8);
  }
  return true;
}

// The line without its final LF and a CR just before that LF.
std::string_view without_line_end(std::string_view line) {
  if (!line.empty() && line.back() == '\n') {
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  return line;
}

void check_value(std::string_view text, PrintFormat format, const HashValue& value) {
  HashValue expected{};
  if (expected_value(text, format, expected)) {
    check(value == expected, "the value read is the one the hex digits give");
  }
}

void check_line(std::string_view input, PrintFormat format) {
  HashValue untouched{};
  untouched.bytes.fill(0xA5);
  HashValue value = untouched;
  std::string line(input);
  const ParseResult result = parse_hash_line(line, value, format);

  const std::string_view bare = without_line_end(input);
  const std::size_t n = bare.size();
  const bool totalForm = n >= kTotalPrefix.size() && total_length(n - kTotalPrefix.size()) &&
                         bare.substr(0, kTotalPrefix.size()) == kTotalPrefix;
  if (totalForm) {
    check(line == bare, "a total-form line keeps all its characters");
    if (n == kTotalPrefix.size() + value_length(format)) {
      check(result == ParseResult::kTotalLine, "a total line of the format's length is kTotalLine");
      check_value(bare.substr(kTotalPrefix.size()), format, value);
    } else {
      check(result == ParseResult::kBadFormat, "a total line of another length is kBadFormat");
      check(value == untouched, "kBadFormat leaves the value alone");
    }
    return;
  }

  const std::size_t tab = bare.find('\t');
  if (tab == std::string_view::npos) {
    check(result == ParseResult::kNameOnly, "a line without TAB is kNameOnly");
    check(line == bare, "kNameOnly leaves the whole line as the name");
    check(value == untouched, "kNameOnly leaves the value alone");
    return;
  }
  check(line == bare.substr(0, tab), "the name ends at the first TAB");
  const std::string_view text = bare.substr(tab + 1);
  if (text.size() == value_length(format)) {
    check(result == ParseResult::kHashLine, "a value of the format's length is kHashLine");
    check_value(text, format, value);
  } else {
    check(result == ParseResult::kBadFormat, "a value of another length is kBadFormat");
    check(value == untouched, "kBadFormat leaves the value alone");
  }
}

std::string lower_case(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return text;
}

// Lines as the program writes them, with a value and a name taken from the input.
void check_round_trip(std::string_view input, PrintFormat format) {
  HashValue value{run_function};
  for (std::size_t i = 0; i < value.size() && !input.empty(); ++i) {
    value[i] = static_cast<std::uint8_t>(input[i % input.size()]);
  }
  std::string name(input);
  name.erase(
      std::remove_if(name.begin(), name.end(), [](char c) { return c == '\t' || c == '\n'; }),
      name.end());
  // A name that opens with the total prefix can make its hash line as long as a total line of
  // the other format, and then the line reads as that total: the format allows no better.
  if (name.compare(0, kTotalPrefix.size(), kTotalPrefix) == 0) name.insert(0, "x");
  const std::string text = verolt::files::hash_text(value, format);

  for (const std::string& digits : {text, lower_case(text)}) {
    HashValue read{};
    std::string line = name;
    line.append("\t").append(digits).append("\r\n");
    check(parse_hash_line(line, read, format) == ParseResult::kHashLine,
          "a written hash line is kHashLine");
    check(line == name, "a written hash line gives back its name");
    check(read == value, "a written hash line gives back its value");

    read = HashValue{run_function};
    line = std::string(kTotalPrefix) + digits + "\n";
    check(parse_hash_line(line, read, format) == ParseResult::kTotalLine,
          "a written total is kTotalLine");
    check(read == value, "a written total line gives back its value");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const Function function :
       {Function::gost94(2), Function::gost2012(256), Function::gost2012(512)}) {
    run_function = function;
    for (const PrintFormat format : {PrintFormat::p1, PrintFormat::p2}) {
      check_line(input, format);
      check_round_trip(input, format);
    }
  }
  return 0;
}
