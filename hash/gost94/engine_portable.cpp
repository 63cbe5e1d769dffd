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

// The mixing: H = psi^61(H ^ psi(M ^ psi^12(S))), S being the four encrypted quarters of H as N2
// (low half) and N1 of each.
VEROLT_STEP_PART void mix(std::uint8_t h[32], const std::uint8_t m[32], const std::uint32_t n1[4],
                          const std::uint32_t n2[4]) {
  // psi moves the 16-bit words down and appends one new word, so its powers are windows of one
  // growing sequence too: psi^n(Y) = w[n..n+15]. The words are held in 32-bit slots.
  std::uint32_t w[90];
  for (std::size_t i = 0; i < 4; ++i) {
    w[4 * i] = n2[i] & 0xFFFFu;
    w[4 * i + 1] = n2[i] >> 16;
    w[4 * i + 2] = n1[i] & 0xFFFFu;
    w[4 * i + 3] = n1[i] >> 16;
  }

  // psi^12(S)
  for (std::size_t j = 0; j < 12; ++j) w[j + 16] = detail::psi_word(w + j);

  // psi(M ^ psi^12(S))
  for (std::size_t i = 0; i < 16; ++i) {
    w[12 + i] ^= std::uint32_t{m[2 * i]} | (std::uint32_t{m[2 * i + 1]} << 8);
  }
  w[28] = detail::psi_word(w + 12);

  // psi^61(H ^ psi(M ^ psi^12(S))). Each new word needs the one just made, so that one stays in
  // a register rather than going through the scratch.
  for (std::size_t i = 0; i < 16; ++i) {
    w[13 + i] ^= std::uint32_t{h[2 * i]} | (std::uint32_t{h[2 * i + 1]} << 8);
  }
  std::uint32_t last = w[28];
  for (std::size_t j = 13; j < 74; ++j) {
    last = detail::psi_word_after(w + j, last);
    w[j + 16] = last;
  }

  for (std::size_t i = 0; i < 16; ++i) {
    h[2 * i] = static_cast<std::uint8_t>(w[74 + i]);
    h[2 * i + 1] = static_cast<std::uint8_t>(w[74 + i] >> 8);
  }
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
  static constexpr EngineEntry kEntry = {&steps, {&group<kGroup>}, kGroup, 1};
  return kEntry;
}

}  // namespace detail

}  // namespace verolt::gost94
