// The linear part of the round, written once for every engine. The round LPS of a 512-bit value
// substitutes its bytes (S), transposes it as an 8x8 matrix of bytes (P) and applies the linear
// map l to each 64-bit word (L). After P, word i holds byte i of every word j, so word i of the
// result is the XOR over j of l_part(j, pi(byte i of word j)).
#pragma once

#include <cstdint>

#include "hash/gost2012/constants.h"

namespace verolt::gost2012::detail {

// What byte j (0 the least significant) of a word, of value v, adds to l of the word.
constexpr std::uint64_t l_part(int j, unsigned v) {
  std::uint64_t sum = 0;
  for (int s = 0; s < 8; ++s) {
    if ((v >> s & 1) != 0) sum ^= kA[63 - 8 * j - s];
  }
  return sum;
}

// Byte r of l_part(j, ·), an 8x8 matrix over GF(2), in the layout of the GF(2^8) affine
// instructions: bit i of the result is the parity of the input and byte 7 - i of the matrix.
constexpr std::uint64_t l_byte_matrix(int j, int r) {
  std::uint64_t matrix = 0;
  for (int i = 0; i < 8; ++i) {
    std::uint64_t row = 0;
    for (int s = 0; s < 8; ++s) row |= (l_part(j, 1u << s) >> (8 * r + i) & 1) << s;
    matrix |= row << (8 * (7 - i));
  }
  return matrix;
}

// sum += v over 512 bits, words from the least significant; the carry out is lost, as the
// standard's addition modulo 2^512 has it.
inline void add512(std::uint64_t sum[8], const std::uint64_t v[8]) {
  std::uint64_t carry = 0;
  for (int i = 0; i < 8; ++i) {
    const std::uint64_t a = sum[i] + carry;
    const std::uint64_t b = a + v[i];
    carry = static_cast<std::uint64_t>(a < carry) + static_cast<std::uint64_t>(b < a);
    sum[i] = b;
  }
}

// sum += v for a small v, with the carry through every word.
inline void add512(std::uint64_t sum[8], std::uint64_t v) {
  for (int i = 0; i < 8 && v != 0; ++i) {
    sum[i] += v;
    v = sum[i] < v ? 1 : 0;
  }
}

}  // namespace verolt::gost2012::detail
