#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "files/console.h"
#include "files/hash_text.h"
#include "files/lists.h"

namespace {

using verolt::files::kTotalPrefix;
using verolt::files::ParseResult;
using verolt::files::PrintFormat;
using HashValue = verolt::hash::Value;

// Lines read by a run of GOST R 34.11-94, parameter set 2.
ParseResult parse_hash_line(std::string& line, HashValue& value, PrintFormat format) {
  return verolt::files::parse_hash_line(line, verolt::hash::Function::gost94(2), value, format);
}

const std::string kP2 = "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F";
const std::string kP1 =
    "1F1E 1D1C 1B1A 1918 1716 1514 1312 1110 0F0E 0D0C 0B0A 0908 0706 0504 0302 0100";

HashValue counting_value() {
  HashValue value{};
  for (std::size_t i = 0; i < value.size(); ++i) {
    value[i] = static_cast<std::uint8_t>(i);
  }
  return value;
}

HashValue filled(std::uint8_t byte, verolt::hash::Function function = {}) {
  HashValue value{function};
  std::fill_n(value.bytes.begin(), value.size(), byte);
  return value;
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return text;
}

std::filesystem::path temp_file(const std::string& stem) {
  std::random_device seed;
  return std::filesystem::temp_directory_path() / (stem + "_" + std::to_string(seed()) + ".lst");
}

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(HashText, RenderingsOfTheCountingValue) {
  const HashValue value = counting_value();
  EXPECT_EQ(verolt::files::hash_text(value, PrintFormat::p2), kP2);
  EXPECT_EQ(verolt::files::hash_text(value, PrintFormat::p2, true), kP2);
  EXPECT_EQ(verolt::files::hash_text(value, PrintFormat::p1), kP1);
  EXPECT_EQ(verolt::files::hash_text(value, PrintFormat::p1, true), kP1 + " ");

  // Leading zeros are kept in every group and digits are upper case.
  HashValue sparse{};
  sparse[31] = 0xAB;
  sparse[0] = 0x0C;
  EXPECT_EQ(verolt::files::hash_text(sparse, PrintFormat::p1),
            "AB00 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 000C");
  EXPECT_EQ(verolt::files::hash_text(sparse, PrintFormat::p2).substr(0, 2), "0C");
  EXPECT_EQ(verolt::files::hash_text(sparse, PrintFormat::p2).substr(62), "AB");
}

TEST(HashText, FileRenderingEndsWithCrLf) {
  const auto path = temp_file("verolt_hash_text");
  {
    verolt::files::OutputFile out;
    ASSERT_TRUE(out.open(path.string()));
    verolt::files::write_hash_text(counting_value(), out, PrintFormat::p2);
    verolt::files::write_hash_text(counting_value(), out, PrintFormat::p1);
    ASSERT_TRUE(out.close());
  }
  EXPECT_EQ(read_bytes(path), kP2 + "\r\n" + kP1 + "\r\n");
  std::filesystem::remove(path);
}

TEST(HashText, ConsoleRenderingHasTrailingBlankInP1) {
  testing::internal::CaptureStdout();
  verolt::files::print_hash_text(counting_value(), PrintFormat::p2);
  verolt::files::print_hash_text(counting_value(), PrintFormat::p1);
  verolt::files::flush_output();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kP2 + "\n" + kP1 + " \n");
}

TEST(ParseHashLine, HashLinesOfTheRunsFormat) {
  const HashValue expected = counting_value();
  HashValue value{};

  std::string line = "testfile.txt\t" + kP2 + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kHashLine);
  EXPECT_EQ(line, "testfile.txt");
  EXPECT_EQ(value, expected);

  value = HashValue{};
  line = "testfile.txt\t" + kP1 + "\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kHashLine);
  EXPECT_EQ(line, "testfile.txt");
  EXPECT_EQ(value, expected);

  // Lower-case digits read as the same bytes.
  value = HashValue{};
  line = "x\t" + lower(kP2) + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kHashLine);
  EXPECT_EQ(value, expected);
  value = HashValue{};
  line = "x\t" + lower(kP1);
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kHashLine);
  EXPECT_EQ(value, expected);

  // A name of any length stays whole.
  const std::string longName(300, 'n');
  line = longName + "\t" + kP2 + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kHashLine);
  EXPECT_EQ(line, longName);

  // An empty name is still a hash line.
  line = "\t" + kP2 + "\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kHashLine);
  EXPECT_EQ(line, "");

  // Digits that are not hexadecimal do not reject the line.
  line = "x\tZZ" + kP2.substr(2);
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kHashLine);
  EXPECT_EQ(value[0], 0);
  EXPECT_EQ(value[1], 1);
}

TEST(ParseHashLine, ValuesThatDoNotFitTheFormat) {
  const HashValue untouched = filled(0xEE);
  HashValue value = untouched;

  std::string line = "testfile.txt\t" + kP2 + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kBadFormat);
  EXPECT_EQ(line, "testfile.txt");

  line = "testfile.txt\t" + kP1 + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kBadFormat);
  EXPECT_EQ(line, "testfile.txt");

  // The console form of p1 (80 characters) is not a stored value.
  line = "testfile.txt\t" + kP1 + " \r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kBadFormat);

  line = "empty value\t\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kBadFormat);
  EXPECT_EQ(line, "empty value");

  line = "failed.bin\t- open error\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kBadFormat);
  EXPECT_EQ(line, "failed.bin");

  // With two TABs the name ends at the first; the value text includes the second.
  line = "a\tb\t" + kP2 + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kBadFormat);
  EXPECT_EQ(line, "a");
  line = "a\t\t" + kP2.substr(1) + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kHashLine);
  EXPECT_EQ(line, "a");
  EXPECT_EQ(value, counting_value());  // "\t0" reads as 0x00

  value = untouched;
  line = "a\tb\t" + kP1;
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kBadFormat);
  EXPECT_EQ(value, untouched);
}

TEST(ParseHashLine, TotalLines) {
  const HashValue untouched = filled(0xEE);
  HashValue value = untouched;
  const std::string p2Total = std::string(kTotalPrefix) + kP2;
  const std::string p1Total = std::string(kTotalPrefix) + kP1;
  ASSERT_EQ(p2Total.size(), 77U);
  ASSERT_EQ(p1Total.size(), 92U);

  std::string line = p2Total + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kTotalLine);
  EXPECT_EQ(line, p2Total);
  EXPECT_EQ(value, counting_value());

  value = untouched;
  line = p1Total + "\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kTotalLine);
  EXPECT_EQ(line, p1Total);
  EXPECT_EQ(value, counting_value());

  // A total line of the other format is malformed and keeps its whole text.
  value = untouched;
  line = p1Total + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kBadFormat);
  EXPECT_EQ(line, p1Total);
  line = p2Total + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kBadFormat);
  EXPECT_EQ(line, p2Total);
  EXPECT_EQ(value, untouched);

  // The prefix decides before any TAB is looked for.
  const std::string withTab = std::string(kTotalPrefix) + "name\t" + kP2.substr(5);
  ASSERT_EQ(withTab.size(), 77U);
  line = withTab + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p1), ParseResult::kBadFormat);
  EXPECT_EQ(line, withTab);

  // Only lines of exactly 77 or 92 characters are total lines.
  line = std::string(kTotalPrefix) + kP2 + "0\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kNameOnly);

  // Another prefix of the same length (the text in UTF-8 would differ) is an ordinary line.
  std::string otherPrefix(kTotalPrefix);
  otherPrefix[0] = 'X';
  line = otherPrefix + kP2 + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kNameOnly);
  EXPECT_EQ(line, otherPrefix + kP2);
  const std::string ordinary77 = std::string(12, 'n') + "\t" + kP2;
  ASSERT_EQ(ordinary77.size(), 77U);
  line = ordinary77 + "\r\n";
  EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kHashLine);
  EXPECT_EQ(line, std::string(12, 'n'));
}

TEST(ParseHashLine, NamesAndLineEnds) {
  const HashValue untouched = filled(0xEE);
  HashValue value = untouched;

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"name.txt\r\n", "name.txt"},
      {"name.txt\n", "name.txt"},
      {"name.txt", "name.txt"},
      {"\r\n", ""},
      {"\n", ""},
      {"", ""},
      {"na\rme\r\n", "na\rme"},
      {"two words and spaces \n", "two words and spaces "},
      {std::string(1000, 'L') + "\r\n", std::string(1000, 'L')},
  };
  for (const auto& [input, name] : cases) {
    std::string line = input;
    EXPECT_EQ(parse_hash_line(line, value, PrintFormat::p2), ParseResult::kNameOnly) << input;
    EXPECT_EQ(line, name);
  }
  EXPECT_EQ(value, untouched);
}

TEST(ParseHashLine, RoundTripThroughAListFileForEveryFunction) {
  using verolt::hash::Function;
  std::mt19937 random(20240611);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible values
  std::uniform_int_distribution<int> byte(0, 255);
  for (const Function function :
       {Function::gost94(2), Function::gost2012(256), Function::gost2012(512)}) {
    for (const PrintFormat format : {PrintFormat::p1, PrintFormat::p2}) {
      std::vector<HashValue> values(200, HashValue{function});
      for (HashValue& value : values) {
        for (std::size_t b = 0; b < value.size(); ++b) {
          value[b] = static_cast<std::uint8_t>(byte(random));
        }
      }
      values[0] = filled(0x00, function);
      values[1] = filled(0xFF, function);

      const auto path = temp_file("verolt_round_trip");
      {
        verolt::files::OutputFile out;
        ASSERT_TRUE(out.open(path.string()));
        for (std::size_t i = 0; i < values.size(); ++i) {
          out.write("file" + std::to_string(i) + "\t");
          verolt::files::write_hash_text(values[i], out, format);
        }
        out.write(std::string(kTotalPrefix));
        verolt::files::write_hash_text(values[2], out, format);
        ASSERT_TRUE(out.close());
      }
      const std::string bytes = read_bytes(path);
      std::filesystem::remove(path);

      std::size_t start = 0;
      std::size_t index = 0;
      while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        std::string line = bytes.substr(start, end + 1 - start);
        start = end + 1;
        HashValue value{};
        const auto parsed = verolt::files::parse_hash_line(line, function, value, format);
        if (index < values.size()) {
          ASSERT_EQ(parsed, ParseResult::kHashLine) << index;
          EXPECT_EQ(line, "file" + std::to_string(index));
          EXPECT_EQ(value, values[index]);
        } else {
          ASSERT_EQ(parsed, ParseResult::kTotalLine);
          EXPECT_EQ(value, values[2]);
        }
        ++index;
      }
      EXPECT_EQ(index, values.size() + 1);
    }
  }
}

// The 2012 function prints p1 as its p2 digits in groups; a value read with another function's
// length is refused, total lines included, while a run of GOST R 34.11-94 still reads a total of
// a length it does not know as a name.
TEST(ParseHashLine, ValuesOfTheOtherFunctions) {
  using verolt::hash::Function;
  HashValue value512{Function::gost2012(512)};
  for (std::size_t b = 0; b < 64; ++b) value512[b] = static_cast<std::uint8_t>(b);
  const std::string p2 = verolt::files::hash_text(value512, PrintFormat::p2);
  const std::string p1 = verolt::files::hash_text(value512, PrintFormat::p1, true);
  EXPECT_EQ(p2.substr(0, 12), "000102030405");
  EXPECT_EQ(p1.substr(0, 15), "0001 0203 0405 ");
  EXPECT_EQ(p1.size(), 160U);
  EXPECT_EQ(p1.substr(150), "3C3D 3E3F ");

  const struct {
    Function run;
    std::string line;
    ParseResult expected;
  } cases[] = {
      {Function::gost2012(512), "f\t" + kP2, ParseResult::kBadFormat},
      {Function::gost2012(256), "f\t" + p2, ParseResult::kBadFormat},
      {Function::gost94(2), "f\t" + p2, ParseResult::kBadFormat},
      {Function::gost2012(512), std::string(kTotalPrefix) + kP2, ParseResult::kBadFormat},
      {Function::gost2012(512), std::string(kTotalPrefix) + kP1, ParseResult::kBadFormat},
      {Function::gost2012(256), std::string(kTotalPrefix) + p2, ParseResult::kBadFormat},
      {Function::gost94(2), std::string(kTotalPrefix) + p2, ParseResult::kNameOnly},
      {Function::gost2012(256), "f\t" + kP2, ParseResult::kHashLine},
      {Function::gost2012(512), std::string(kTotalPrefix) + p2, ParseResult::kTotalLine},
  };
  for (const auto& c : cases) {
    std::string line = c.line;
    HashValue value{};
    EXPECT_EQ(verolt::files::parse_hash_line(line, c.run, value, PrintFormat::p2), c.expected)
        << c.line;
  }
}

// Every form of a checksum tool's line: the name left and, for a hash line, the counting value
// read in either case of digits; otherwise the value untouched.
TEST(ParseChecksumLine, FormsEscapesTagsAndLengths) {
  using verolt::hash::Function;
  const Function set2 = Function::gost94(2);
  const Function s512 = Function::gost2012(512);
  const std::string h = lower(kP2);
  HashValue counting512{s512};
  for (std::size_t b = 0; b < 64; ++b) counting512[b] = static_cast<std::uint8_t>(b);
  const std::string h512 = lower(verolt::files::hash_text(counting512, PrintFormat::p2));
  const struct {
    Function run;
    std::string line;
    std::string name;  // empty: the line itself, as a line of neither form is named
    bool hash;
  } cases[] = {
      {set2, h + "  x\n", "x", true},
      {set2, kP2 + " *x\r\n", "x", true},
      {set2, h + " x", "x", true},
      {set2, h + "   x", " x", true},
      {set2, "\\" + h + "  a\\\\b\\nc\\t\r\n", "a\\b\nc\\t", true},
      {set2, h + "  a\\\\b", "a\\\\b", true},
      {set2, "gost94-CryptoPro (a) = b) = " + kP2 + "\r\n", "a) = b", true},
      {set2, "\\GOST94-CRYPTOPRO (a\\\\b) = " + h, "a\\b", true},
      {Function::gost94(0), "GOST94 (x) = " + h, "x", true},
      {Function::gost2012(256), "GOST12-256 (x) = " + h, "x", true},
      {s512, "GOST12-512 (x) = " + h512, "x", true},
      {set2, "GOST94 (x) = " + h, "x", false},
      {Function::gost94(1), "GOST94-CRYPTOPRO (x) = " + h, "x", false},
      {set2, "GOST94-CRYPTOPRO (x) = zz" + h.substr(2), "x", false},
      {Function::gost2012(256), "GOST12-256 (x) = " + h512, "x", false},
      {set2, h.substr(2) + "  x", "", false},
      {set2, "zz" + h.substr(2) + "  x", "", false},
      {Function::gost2012(256), h512 + "  x", "", false},
      {set2, h + "\tx", "", false},
      {set2, std::string(kTotalPrefix) + kP2, "", false},
      {set2, "photo (1).jpg", "", false},
      {set2, "", "", false},
  };
  for (const auto& c : cases) {
    std::string line = c.line;
    const HashValue untouched = filled(0xEE, c.run);
    HashValue value = untouched;
    HashValue expected = c.run == s512 ? counting512 : counting_value();
    expected.function = c.run;
    EXPECT_EQ(verolt::files::parse_checksum_line(line, c.run, value),
              c.hash ? ParseResult::kHashLine : ParseResult::kBadFormat)
        << c.line;
    const std::string whole = c.line.substr(0, c.line.find_first_of("\r\n"));
    EXPECT_EQ(line, c.name.empty() ? whole : c.name) << c.line;
    EXPECT_EQ(value, c.hash ? expected : untouched) << c.line;
  }
}

}  // namespace
