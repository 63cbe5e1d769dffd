// The parts of the step that every engine shares, written once: the linear maps and constants
// (psi, C3, A's sequence of quarters and the transpose P of the keys, the order of the key words
// in the rounds) and the 256-bit checksum addition. The
// engines differ only in how they lay these out for their instructions, so each derives its
// form from here, at compile time where it can. Internal to the engines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/bytes.h"
#include "hash/x86.h"

namespace verolt::gost94::detail {

// ---- psi ----

// psi drops 16-bit word 0 of the value and appends the XOR of these words; the last tap is the
// word appended just before, which lets a chain of psi keep it in a register.
inline constexpr int kPsiTaps[6] = {0, 1, 2, 3, 12, 15};
static_assert(kPsiTaps[5] == 15, "psi_word_after takes the newest word as its last tap");

// So the powers of psi are windows of one growing sequence: psi^n(Y) = w[n..n+15], and the word
// after the window at `w` is this.
template <typename Word>
constexpr Word psi_word(const Word* w) {
  return static_cast<Word>(w[kPsiTaps[0]] ^ w[kPsiTaps[1]] ^ w[kPsiTaps[2]] ^ w[kPsiTaps[3]] ^
                           w[kPsiTaps[4]] ^ w[kPsiTaps[5]]);
}

// The same with the newest word of the window (w[15]) given as `last`.
template <typename Word>
constexpr Word psi_word_after(const Word* w, Word last) {
  return static_cast<Word>(w[kPsiTaps[0]] ^ w[kPsiTaps[1]] ^ w[kPsiTaps[2]] ^ w[kPsiTaps[3]] ^
                           w[kPsiTaps[4]] ^ last);
}

// psi^n on the sixteen 16-bit words: bit w of row[o] says that input word w enters output word o.
struct WordMatrix {
  std::uint16_t row[16];
};

constexpr WordMatrix psi_power(int n) {
  std::uint16_t seq[16 + 80] = {};
  for (int j = 0; j < 16; ++j) seq[j] = static_cast<std::uint16_t>(1u << j);
  for (int j = 0; j < n; ++j) seq[j + 16] = psi_word(seq + j);
  WordMatrix m{};
  for (int o = 0; o < 16; ++o) m.row[o] = seq[n + o];
  return m;
}

// ---- Key generation ----

// C3, least significant byte first.
inline constexpr std::uint8_t kC3[32] = {
    0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00,
    0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF};

constexpr std::uint64_t c3_quarter(int i) {
  std::uint64_t q = 0;
  for (int b = 0; b < 8; ++b) q |= std::uint64_t{kC3[8 * i + b]} << (8 * b);
  return q;
}

// C3 as its four little-endian 64-bit quarters.
inline constexpr std::uint64_t kC3Quarters[4] = {c3_quarter(0), c3_quarter(1), c3_quarter(2),
                                                 c3_quarter(3)};

// A's powers are windows of a sequence of quarters q0, q1, ... that grows by q(k+4) = q(k) ^
// q(k+1); quarter k as the set of the first four that it sums:
constexpr unsigned quarter_sequence(int k) {
  return k < 4 ? 1u << k : quarter_sequence(k - 4) ^ quarter_sequence(k - 3);
}

// P: output byte i + 4k is input byte 8i + k, so key word k gathers byte k of y0..y3: a 4 x 8
// byte transpose. It is done as two rounds of interleaving with masks, bytes of y0/y1 and y2/y3
// first, then the byte pairs of both.
// Key word j goes to key + stride * j.
inline void write_key(std::uint8_t* key, std::size_t stride, std::uint64_t y0, std::uint64_t y1,
                      std::uint64_t y2, std::uint64_t y3) {
  constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFu;
  constexpr std::uint64_t kEvenPairs = 0x0000FFFF0000FFFFu;
  // Byte pairs (y0.k, y1.k) for even k in a01, odd k in b01; the same of y2, y3.
  const std::uint64_t a01 = (y0 & kEvenBytes) | ((y1 & kEvenBytes) << 8);
  const std::uint64_t b01 = ((y0 >> 8) & kEvenBytes) | (y1 & ~kEvenBytes);
  const std::uint64_t a23 = (y2 & kEvenBytes) | ((y3 & kEvenBytes) << 8);
  const std::uint64_t b23 = ((y2 >> 8) & kEvenBytes) | (y3 & ~kEvenBytes);
  // Key words k and k + 4 in the low and high halves: k = 0, 2, 1, 3.
  const std::uint64_t w04 = (a01 & kEvenPairs) | ((a23 & kEvenPairs) << 16);
  const std::uint64_t w26 = ((a01 >> 16) & kEvenPairs) | (a23 & ~kEvenPairs);
  const std::uint64_t w15 = (b01 & kEvenPairs) | ((b23 & kEvenPairs) << 16);
  const std::uint64_t w37 = ((b01 >> 16) & kEvenPairs) | (b23 & ~kEvenPairs);
  hash::bytes::store32(key, static_cast<std::uint32_t>(w04));
  hash::bytes::store32(key + stride, static_cast<std::uint32_t>(w15));
  hash::bytes::store32(key + 2 * stride, static_cast<std::uint32_t>(w26));
  hash::bytes::store32(key + 3 * stride, static_cast<std::uint32_t>(w37));
  hash::bytes::store32(key + 4 * stride, static_cast<std::uint32_t>(w04 >> 32));
  hash::bytes::store32(key + 5 * stride, static_cast<std::uint32_t>(w15 >> 32));
  hash::bytes::store32(key + 6 * stride, static_cast<std::uint32_t>(w26 >> 32));
  hash::bytes::store32(key + 7 * stride, static_cast<std::uint32_t>(w37 >> 32));
}

// ---- The rounds ----

inline constexpr int kRounds = 32;

// The key word of each round: 0..7 three times, then 7..0. Even-numbered rounds (counting from
// 0) change N2, odd ones N1.
constexpr int round_key_word(int round) { return round < 24 ? round % 8 : 7 - round % 8; }

// ---- The checksum ----

// The checksum as a 256-bit little-endian number in four 64-bit words, so that a run of blocks
// adds in registers; the carry out of the top word is dropped.
struct Checksum {
  unsigned long long w[4];

  static Checksum load(const std::uint8_t* p) {
    Checksum c{};
    for (std::size_t i = 0; i < 4; ++i) c.w[i] = hash::bytes::load64(p + 8 * i);
    return c;
  }

  void store(std::uint8_t* p) const {
    for (std::size_t i = 0; i < 4; ++i) hash::bytes::store64(p + 8 * i, w[i]);
  }

  void add(const std::uint8_t* block) {
#if VEROLT_X86
    // One chain of add-with-carry; compilers do not always find it in the portable form.
    unsigned char carry = _addcarry_u64(0, w[0], hash::bytes::load64(block), &w[0]);
    carry = _addcarry_u64(carry, w[1], hash::bytes::load64(block + 8), &w[1]);
    carry = _addcarry_u64(carry, w[2], hash::bytes::load64(block + 16), &w[2]);
    static_cast<void>(_addcarry_u64(carry, w[3], hash::bytes::load64(block + 24), &w[3]));
#else
    unsigned long long carry = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const unsigned long long x = hash::bytes::load64(block + 8 * i);
      const unsigned long long sum = w[i] + x;
      const unsigned long long out = sum < x ? 1 : 0;
      w[i] = sum + carry;
      carry = out | (w[i] < carry ? 1 : 0);
    }
#endif
  }
};

// checksum += block, both 32 bytes in memory.
inline void add_to_checksum(std::uint8_t* checksum, const std::uint8_t* block) {
  Checksum c = Checksum::load(checksum);
  c.add(block);
  c.store(checksum);
}

}  // namespace verolt::gost94::detail
