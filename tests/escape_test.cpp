// Names shown to people: which bytes are escaped, how, and that nothing else changes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/escape.h"

namespace {

using verolt::text::escape_controls;

TEST(EscapeControls, ControlBytesAndUtf8C1Controls) {
  struct Case {
    std::string bytes;
    bool c1;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"", true, ""},
      {"plain name.txt", true, "plain name.txt"},
      // The ends of both control ranges and their neighbours.
      {std::string("\0", 1), false, "\\x00"},
      {"\x1F\x20\x7E\x7F", false, "\\x1F ~\\x7F"},
      {"a\tb\rc\nd", false, "a\\x09b\\x0Dc\\x0Ad"},
      {"\x1B[31mred\x1B[0m", false, "\\x1B[31mred\\x1B[0m"},
      // Upper-case hex digits; a backslash of the name stays as it is.
      {"\x1A\x0F\\x", false, "\\x1A\\x0F\\x"},
      // U+009B (CSI) and the ends of the C1 range, with and without the UTF-8 console.
      {"\xC2\x9BK", true, "\\xC2\\x9BK"},
      {"\xC2\x9BK", false, "\xC2\x9BK"},
      {"\xC2\x80\xC2\x9F", true, "\\xC2\\x80\\xC2\\x9F"},
      // Neighbours that are no C1 control: U+007F is escaped as DEL, U+00A0 and Cyrillic stay.
      {"\xC2\xA0\xC2\x7F\xD0\x9B", true, "\xC2\xA0\xC2\\x7F\xD0\x9B"},
      // A lead byte at the end, or before another lead byte, stays; the pair after it is found.
      {"x\xC2", true, "x\xC2"},
      {"\xC2\xC2\x85", true, "\xC2\\xC2\\x85"},
      // Windows-1251 bytes 0x80-0x9F are letters there (the console never asks for c1).
      {"\x80\x9B\xC0\xFF", false, "\x80\x9B\xC0\xFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(escape_controls(c.bytes, c.c1), c.shown) << "c1=" << c.c1 << " " << c.shown;
  }
}

// Every byte value on its own: escaped exactly when it is a control byte.
TEST(EscapeControls, EverySingleByte) {
  for (int value = 0; value < 256; ++value) {
    const std::string byte(1, static_cast<char>(value));
    const bool control = value < 0x20 || value == 0x7F;
    for (const bool c1 : {false, true}) {
      const std::string shown = escape_controls(byte, c1);
      if (control) {
        char expected[8];
        std::snprintf(expected, sizeof expected, "\\x%02X", value);
        EXPECT_EQ(shown, expected) << value;
      } else {
        EXPECT_EQ(shown, byte) << value;
      }
    }
  }
}

}  // namespace
