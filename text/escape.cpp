#include "text/escape.h"

#include <cstddef>

namespace verolt::text {

namespace {

bool is_control(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

void append_escaped(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

}  // namespace

std::string escape_controls(std::string_view bytes, bool c1) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (is_control(byte)) {
      append_escaped(out, byte);
      continue;
    }
    if (c1 && byte == 0xC2 && i + 1 < bytes.size()) {
      const auto next = static_cast<unsigned char>(bytes[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        append_escaped(out, byte);
        append_escaped(out, next);
        ++i;
        continue;
      }
    }
    out.push_back(bytes[i]);
  }
  return out;
}

}  // namespace verolt::text
