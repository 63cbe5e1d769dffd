// Little-endian loads and stores whatever the host; memcpy keeps them free of alignment and
// aliasing assumptions, and compilers turn each into one move. Internal to the engines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace verolt::hash::bytes {

#if defined(__BYTE_ORDER__) && defined(__ORDER_BIG_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
inline constexpr bool kBigEndianHost = true;
#else
inline constexpr bool kBigEndianHost = false;
#endif

inline std::uint32_t swap32(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

inline std::uint64_t swap64(std::uint64_t v) {
  return (std::uint64_t{swap32(static_cast<std::uint32_t>(v))} << 32) |
         swap32(static_cast<std::uint32_t>(v >> 32));
}

inline std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return kBigEndianHost ? swap32(v) : v;
}

inline std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return kBigEndianHost ? swap64(v) : v;
}

inline void store32(std::uint8_t* p, std::uint32_t v) {
  if (kBigEndianHost) v = swap32(v);
  std::memcpy(p, &v, sizeof v);
}

inline void store64(std::uint8_t* p, std::uint64_t v) {
  if (kBigEndianHost) v = swap64(v);
  std::memcpy(p, &v, sizeof v);
}

inline std::uint32_t rotate_left(std::uint32_t v, unsigned n) { return (v << n) | (v >> (32 - n)); }

}  // namespace verolt::hash::bytes
