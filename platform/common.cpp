#include "platform/common.h"

namespace verolt::platform {

bool holds_nul(std::string_view name) { return name.find('\0') != std::string_view::npos; }

std::uint64_t size_of(std::int64_t reported) {
  return reported > 0 ? static_cast<std::uint64_t>(reported) : 0;
}

std::uint64_t size_of(std::uint32_t high, std::uint32_t low) {
  return (std::uint64_t{high} << 32) | low;
}

}  // namespace verolt::platform
