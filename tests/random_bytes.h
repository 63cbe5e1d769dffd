#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace verolt::test {

using Bytes = std::vector<std::uint8_t>;

// The next `n` bytes of `gen`: the same for the same generator state on every platform.
inline Bytes random_bytes(std::mt19937& gen, std::size_t n) {
  Bytes data(n);
  std::generate(data.begin(), data.end(), [&gen] { return static_cast<std::uint8_t>(gen()); });
  return data;
}

inline Bytes random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  return random_bytes(gen, n);
}

}  // namespace verolt::test
