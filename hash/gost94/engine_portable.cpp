// The portable engine: 32-bit tables with the rotation folded in, the four encryptions of a step
// interleaved so that their chains of lookups overlap. It runs everywhere and is the reference.
#include <cstddef>
#include <cstdint>

#include "hash/bytes.h"
#include "hash/gost94/engine_portable.h"
#include "hash/gost94/engines.h"
#include "hash/gost94/linear.h"
#include "hash/gost94/rounds.h"

// The step's parts stay in one piece for the compiler, as they were when written as one function:
// split into calls, the portable engine lost several per cent.
#if defined(__GNUC__) || defined(__clang__)
#define VEROLT_STEP_PART __attribute__((always_inline)) inline
#else
#define VEROLT_STEP_PART inline
#endif

namespace verolt::gost94 {

namespace {

using hash::bytes::load32;
using hash::bytes::load64;
using hash::bytes::store32;
using hash::bytes::store64;

// Blocks encrypted together, each under its own key (see rounds.h).
template <unsigned L>
struct Lanes {
  std::uint32_t n1[L];
  std::uint32_t n2[L];
  std::uint32_t k[L][8];
};

template <unsigned L>
inline void load_keys(Lanes<L>& x, const std::uint8_t* keys) {
  for (std::size_t l = 0; l < L; ++l) {
    for (std::size_t j = 0; j < 8; ++j) x.k[l][j] = load32(keys + 32 * l + 4 * j);
  }
}

template <unsigned L>
VEROLT_STEP_PART void encrypt_lanes(const RoundTables& r, Lanes<L>& x) {
  detail::encrypt_side_by_side<L>(r, x.n1, x.n2,
                                  [&x](std::size_t l, std::size_t j) { return x.k[l][j]; });
}

// psi moves the 16-bit words down and appends one new word, so its powers are windows of one
// growing sequence: psi^n(Y) = w[n..n+15]. The sequence is made four words at a time, in 64-bit
// quarters u[k] = w[4k..4k+3] (word 4k lowest), from the four quarters before: new word t is
// w[t-16] ^ w[t-15] ^ w[t-14] ^ w[t-13] ^ w[t-4] ^ w[t-1], and the last term makes a quarter a
// running XOR of the other terms.
static_assert(detail::kPsiTaps[0] == 0 && detail::kPsiTaps[1] == 1 && detail::kPsiTaps[2] == 2 &&
                  detail::kPsiTaps[3] == 3 && detail::kPsiTaps[4] == 12 &&
                  detail::kPsiTaps[5] == 15,
              "the quarters are made for these taps");

VEROLT_STEP_PART void extend(std::uint64_t* u, std::size_t from, std::size_t to) {
  for (std::size_t k = from; k < to; ++k) {
    // w[t-16] ^ w[t-15] and w[t-14] ^ w[t-13] as neighbouring pairs.
    const std::uint64_t pairs = u[k - 4] ^ ((u[k - 4] >> 16) | (u[k - 3] << 48));
    const std::uint64_t next_pairs = u[k - 3] ^ ((u[k - 3] >> 16) | (u[k - 2] << 48));
    std::uint64_t x = pairs ^ ((pairs >> 32) | (next_pairs << 32)) ^ u[k - 1] ^ (u[k - 1] >> 48);
    x ^= x << 16;
    x ^= x << 32;
    u[k] = x;
  }
}

// The window of words 4k + 1 .. 4k + 4, as a quarter.
inline std::uint64_t one_word_on(const std::uint64_t* u, std::size_t k) {
  return (u[k] >> 16) | (u[k + 1] << 48);
}

// The mixing: H = psi^61(H ^ psi(M ^ psi^12(S))), S being the four encrypted quarters of H as N2
// (low half) and N1 of each.
VEROLT_STEP_PART void mix(std::uint8_t h[32], const std::uint8_t m[32], const std::uint32_t n1[4],
                          const std::uint32_t n2[4]) {
  std::uint64_t u[20];
  for (std::size_t i = 0; i < 4; ++i) u[i] = n2[i] | (std::uint64_t{n1[i]} << 32);
  // psi^12(S) is u[3..6]; M ^ psi^12(S) goes to u[3..6], and psi of it, words 13..28, gets the
  // new word 28 from its taps: words 0..3 of u[3] and words 0 and 3 of u[6].
  extend(u, 4, 7);
  for (std::size_t i = 0; i < 4; ++i) u[3 + i] ^= load64(m + 8 * i);
  const std::uint64_t first = u[3] ^ (u[3] >> 32);
  u[7] = (first ^ (first >> 16) ^ u[6] ^ (u[6] >> 48)) & 0xFFFFu;
  // H ^ psi(M ^ psi^12(S)) starts a new sequence, whose words 61..76 are the new H.
  std::uint64_t z[4];
  for (std::size_t i = 0; i < 4; ++i) z[i] = load64(h + 8 * i) ^ one_word_on(u, 3 + i);
  for (std::size_t i = 0; i < 4; ++i) u[i] = z[i];
  extend(u, 4, 20);
  for (std::size_t i = 0; i < 4; ++i) store64(h + 8 * i, one_word_on(u, 15 + i));
}

}  // namespace

void gost_encrypt_block(const RoundTables& round, const std::uint8_t in[8],
                        const std::uint8_t key[32], std::uint8_t out[8]) {
  Lanes<1> x;
  load_keys(x, key);
  x.n1[0] = load32(in);
  x.n2[0] = load32(in + 4);
  encrypt_lanes(round, x);
  store32(out, x.n2[0]);
  store32(out + 4, x.n1[0]);
}

namespace {

// Word j of key i (0..3) goes to keys + key_stride * i + word_stride * j.
template <std::size_t key_stride, std::size_t word_stride>
VEROLT_STEP_PART void make_keys_in(const std::uint8_t h[32], const std::uint8_t m[32],
                                   std::uint8_t* keys) {
  // A shifts the quarters down and appends y1 ^ y2, so its powers are windows of one growing
  // sequence: A^j(Y) = w[j..j+3].
  std::uint64_t w[10];
  for (std::size_t i = 0; i < 4; ++i) w[i] = load64(m + 8 * i);
  for (std::size_t k = 0; k < 6; ++k) w[k + 4] = w[k] ^ w[k + 1];

  std::uint64_t u[7];
  for (std::size_t i = 0; i < 4; ++i) u[i] = load64(h + 8 * i);
  u[4] = u[0] ^ u[1];
  u[5] = u[1] ^ u[2];

  detail::write_key(keys, word_stride, u[0] ^ w[0], u[1] ^ w[1], u[2] ^ w[2], u[3] ^ w[3]);
  detail::write_key(keys + key_stride, word_stride, u[1] ^ w[2], u[2] ^ w[3], u[3] ^ w[4],
                    u[4] ^ w[5]);
  // C3 enters U once; the fourth key's U is A of this changed value.
  for (std::size_t i = 0; i < 4; ++i) u[i + 2] ^= detail::kC3Quarters[i];
  detail::write_key(keys + 2 * key_stride, word_stride, u[2] ^ w[4], u[3] ^ w[5], u[4] ^ w[6],
                    u[5] ^ w[7]);
  u[6] = u[2] ^ u[3];
  detail::write_key(keys + 3 * key_stride, word_stride, u[3] ^ w[6], u[4] ^ w[7], u[5] ^ w[8],
                    u[6] ^ w[9]);
}

}  // namespace

namespace detail {

void make_keys_by_word(const std::uint8_t h[32], const std::uint8_t m[32], std::uint8_t* keys) {
  make_keys_in<4, 32>(h, m, keys);
}

}  // namespace detail

void gost_make_keys(const std::uint8_t h[32], const std::uint8_t m[32], std::uint8_t keys[128]) {
  make_keys_in<32, 4>(h, m, keys);
}

void gost_step(const RoundTables& round, std::uint8_t h[32], const std::uint8_t m[32]) {
  std::uint8_t keys[128];
  gost_make_keys(h, m, keys);

  // Quarter h_i is encrypted under K_i, all four at once; s_i lands where h_i was.
  Lanes<4> x;
  load_keys(x, keys);
  for (std::size_t i = 0; i < 4; ++i) {
    x.n1[i] = load32(h + 8 * i);
    x.n2[i] = load32(h + 8 * i + 4);
  }
  encrypt_lanes(round, x);
  mix(h, m, x.n1, x.n2);
}

namespace {

void steps(const EngineTables& tables, std::uint8_t h[32], std::uint8_t* checksum,
           const std::uint8_t* blocks, std::size_t count) {
  if (checksum == nullptr) {
    for (std::size_t b = 0; b < count; ++b) gost_step(tables.round, h, blocks + kBlockSize * b);
    return;
  }
  detail::Checksum sum = detail::Checksum::load(checksum);
  for (std::size_t b = 0; b < count; ++b) {
    const std::uint8_t* block = blocks + kBlockSize * b;
    sum.add(block);
    gost_step(tables.round, h, block);
  }
  sum.store(checksum);
}

// G streams at once: their 4G encryptions interleaved in one pass of the rounds. On x86-64 one
// stream's four chains already keep the core busy, and eight run out of registers (measured:
// two streams together are 20% slower than one after the other), so the portable engine steps
// its streams one by one there; the interleaved form is kept for processors with more registers.
template <unsigned G>
void group(const EngineTables& tables, const Stream* const* streams, std::size_t count) {
  std::uint8_t keys[G][128];
  for (std::size_t b = 0; b < count; ++b) {
    Lanes<4 * G> x;
    for (std::size_t g = 0; g < G; ++g) {
      const Stream& s = *streams[g];
      const std::uint8_t* block = s.blocks + kBlockSize * b;
      if (s.checksum != nullptr) detail::add_to_checksum(s.checksum, block);
      gost_make_keys(s.h, block, keys[g]);
      for (std::size_t i = 0; i < 4; ++i) {
        x.n1[4 * g + i] = load32(s.h + 8 * i);
        x.n2[4 * g + i] = load32(s.h + 8 * i + 4);
      }
    }
    load_keys(x, keys[0]);
    encrypt_lanes(tables.round, x);
    for (std::size_t g = 0; g < G; ++g) {
      const Stream& s = *streams[g];
      mix(s.h, s.blocks + kBlockSize * b, x.n1 + 4 * g, x.n2 + 4 * g);
    }
  }
}

}  // namespace

namespace detail {

const EngineEntry& portable_engine() {
#if defined(__x86_64__) || defined(_M_X64)
  constexpr unsigned kGroup = 1;
#else
  constexpr unsigned kGroup = 2;
#endif
  // A group costs what its streams cost alone.
  static constexpr EngineEntry kEntry = {
      &steps, {&group<kGroup>}, kGroup, 1, {195, 195 * kGroup, 0, 0}};
  return kEntry;
}

}  // namespace detail

}  // namespace verolt::gost94
