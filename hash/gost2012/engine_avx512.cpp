// The compression function on AVX-512 (F, BW, VL, VBMI) with GFNI: a 512-bit value is one
// register. S is two 128-byte table lookups (vpermi2b) and a blend on the top bit. L maps each
// byte of a word linearly into the whole word, so L after P is a sum over the byte position j of
// GF(2) matrix products (vgf2p8affineqb).
//
// That instruction applies one matrix to all eight bytes of a qword, while output byte r needs the
// matrix of (j, r). So values are kept transposed, byte 8q + k holding byte q of word k: output
// qword r is then byte r of every word, and product j takes in every qword byte j of the eight
// words, a gather that does P on the way. Only the block, h and N are transposed on the way in,
// and h on the way out.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "hash/bytes.h"
#include "hash/gost2012/constants.h"
#include "hash/gost2012/engines.h"
#include "hash/gost2012/linear.h"
#include "hash/x86.h"

VEROLT_X86_UNDEFINED_VECTORS_ARE_FINE

namespace verolt::gost2012 {

#if VEROLT_X86

namespace {

struct Bytes64 {
  std::uint8_t b[64];
};

// Transposition is its own inverse: byte 8q + k from byte 8k + q.
constexpr Bytes64 transpose_index() {
  Bytes64 index{};
  for (int q = 0; q < 8; ++q) {
    for (int k = 0; k < 8; ++k) index.b[8 * q + k] = static_cast<std::uint8_t>(8 * k + q);
  }
  return index;
}

// Gather j: qword r gets byte j of each of the eight transposed words, in word order, so that it
// lines up with the output bytes of qword r.
constexpr Bytes64 gather_index(int j) {
  Bytes64 index{};
  for (int r = 0; r < 8; ++r) {
    for (int i = 0; i < 8; ++i) index.b[8 * r + i] = static_cast<std::uint8_t>(8 * i + j);
  }
  return index;
}

constexpr Bytes64 kTranspose = transpose_index();
constexpr Bytes64 kGather[8] = {gather_index(0), gather_index(1), gather_index(2), gather_index(3),
                                gather_index(4), gather_index(5), gather_index(6), gather_index(7)};

// What needs the constants of constants.cpp, built once at run time.
struct Tables {
  std::uint64_t matrix[8][8];  // [j][r]: l_byte_matrix(j, r)
  Bytes64 c[12];               // the round constants, transposed
};

const Tables& tables() {
  static const Tables kTables = [] {
    Tables t{};
    for (int j = 0; j < 8; ++j) {
      for (int r = 0; r < 8; ++r) t.matrix[j][r] = detail::l_byte_matrix(j, r);
    }
    for (int i = 0; i < 12; ++i) {
      for (int b = 0; b < 64; ++b) {
        t.c[i].b[kTranspose.b[b]] =
            static_cast<std::uint8_t>(detail::kC[i][b / 8] >> (8 * (b % 8)));
      }
    }
    return t;
  }();
  return kTables;
}

VEROLT_TARGET_AVX512_GFNI inline __m512i load512(const void* p) { return _mm512_loadu_si512(p); }

struct Round {
  __m512i pi[4];
  __m512i gather[8];
  __m512i matrix[8];
  __m512i transpose;
};

VEROLT_TARGET_AVX512_GFNI inline Round load_round() {
  const Tables& t = tables();
  Round r;
  for (std::size_t i = 0; i < 4; ++i) r.pi[i] = load512(detail::kPi + 64 * i);
  for (int j = 0; j < 8; ++j) {
    r.gather[j] = load512(kGather[j].b);
    r.matrix[j] = load512(t.matrix[j]);
  }
  r.transpose = load512(kTranspose.b);
  return r;
}

VEROLT_TARGET_AVX512_GFNI inline __m512i substitute(const Round& r, __m512i x) {
  const __m512i low = _mm512_permutex2var_epi8(r.pi[0], x, r.pi[1]);
  const __m512i high = _mm512_permutex2var_epi8(r.pi[2], x, r.pi[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

// The sum of the eight products and `add`, as a tree two deep.
VEROLT_TARGET_AVX512_GFNI inline __m512i sum(const __m512i p[8], __m512i add) {
  const __m512i a = _mm512_ternarylogic_epi64(p[0], p[1], p[2], 0x96);
  const __m512i b = _mm512_ternarylogic_epi64(p[3], p[4], p[5], 0x96);
  const __m512i c = _mm512_ternarylogic_epi64(p[6], p[7], add, 0x96);
  return _mm512_ternarylogic_epi64(a, b, c, 0x96);
}

// LPS(x) ^ add, both transposed, with the gathers in registers: the shortest chain, for one
// stream, whose speed is the latency of its key schedule.
struct InRegisters {
  VEROLT_TARGET_AVX512_GFNI __m512i operator()(const Round& r, __m512i x, __m512i add) {
    const __m512i s = substitute(r, x);
    __m512i p[8];
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
      p[j] = _mm512_gf2p8affine_epi64_epi8(_mm512_permutexvar_epi8(r.gather[j], s), r.matrix[j], 0);
    }
    return sum(p, add);
  }
};

// The same with the fewest shuffles, for two streams, whose speed is the throughput of the shuffle
// and GF(2) units that both load. Gather j repeats word j of S(x) untransposed in every qword, so
// one transposition and a store make all eight gathers broadcast loads, which cost no shuffle;
// the store costs a few cycles of latency, which the other stream fills.
struct ThroughMemory {
  alignas(64) std::uint64_t words[8];

  VEROLT_TARGET_AVX512_GFNI __m512i operator()(const Round& r, __m512i x, __m512i add) {
    _mm512_storeu_si512(words, substitute(r, _mm512_permutexvar_epi8(r.transpose, x)));
    __m512i p[8];
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
      // Spelt out: GCC turns the intrinsics' broadcast from memory back into shuffles.
      __m512i v;
      __asm__("vpbroadcastq %1, %0" : "=v"(v) : "m"(words[j]));
      p[j] = _mm512_gf2p8affine_epi64_epi8(v, r.matrix[j], 0);
    }
    return sum(p, add);
  }
};

// Where the counter stands, transposed: its words above the first change once in 2^55 blocks, so
// they are transposed only then; the first word's bytes land at bytes 8q of the register.
struct Counter {
  std::uint64_t words[8];
  __m512i high;

  VEROLT_TARGET_AVX512_GFNI void transpose_high() {
    std::uint64_t upper[8];
    std::memcpy(upper, words, sizeof upper);
    upper[0] = 0;
    high = _mm512_permutexvar_epi8(load512(kTranspose.b), load512(upper));
  }
  VEROLT_TARGET_AVX512_GFNI __m512i xor_into(__m512i h) const {
    const __m512i low = _mm512_cvtepu8_epi64(_mm_cvtsi64_si128(static_cast<long long>(words[0])));
    return _mm512_ternarylogic_epi64(h, high, low, 0x96);
  }
  VEROLT_TARGET_AVX512_GFNI void advance() {
    detail::add512(words, 512);
    if (words[0] < 512) transpose_high();
  }
};

// One stream per slot, all stepped by the same number of blocks.
template <int kStreams, typename Lps>
VEROLT_TARGET_AVX512_GFNI void blocks_of(Chain* const* chains, const std::uint8_t* const* blocks,
                                         std::size_t count) {
  const Round r = load_round();
  const Tables& t = tables();
  __m512i h[kStreams];
  Counter n[kStreams];
  std::uint64_t sigma[kStreams][8];
  Lps key_lps[kStreams];
  Lps state_lps[kStreams];
  for (int s = 0; s < kStreams; ++s) {
    h[s] = _mm512_permutexvar_epi8(r.transpose, load512(chains[s]->h));
    std::memcpy(n[s].words, chains[s]->counter, sizeof n[s].words);
    n[s].transpose_high();
    std::memcpy(sigma[s], chains[s]->sigma, sizeof sigma[s]);
  }
  for (std::size_t b = 0; b < count; ++b) {
    __m512i m[kStreams];
    __m512i key[kStreams];
    __m512i state[kStreams];
    // `key` holds K_i ^ C_i, which the key schedule's next round needs: the round constant is
    // added in the LPS sum, where it costs nothing on the key chain, and taken off again for the
    // encryption, which is a round behind anyway.
    const __m512i c1 = load512(t.c[0].b);
#pragma GCC unroll 2
    for (int s = 0; s < kStreams; ++s) {
      m[s] = _mm512_permutexvar_epi8(r.transpose, load512(blocks[s] + kBlockSize * b));
      key[s] = key_lps[s](r, n[s].xor_into(h[s]), c1);
      state[s] = _mm512_ternarylogic_epi64(key[s], c1, m[s], 0x96);
    }
    for (int i = 0; i < 12; ++i) {
      const __m512i c = i + 1 < 12 ? load512(t.c[i + 1].b) : _mm512_setzero_si512();
#pragma GCC unroll 2
      for (int s = 0; s < kStreams; ++s) {
        key[s] = key_lps[s](r, key[s], c);
        state[s] = state_lps[s](r, state[s], _mm512_xor_si512(key[s], c));
      }
    }
#pragma GCC unroll 2
    for (int s = 0; s < kStreams; ++s) {
      const std::uint8_t* block = blocks[s] + kBlockSize * b;
      h[s] = _mm512_ternarylogic_epi64(h[s], m[s], state[s], 0x96);
      n[s].advance();
      std::uint64_t words[8];
      for (std::size_t w = 0; w < 8; ++w) words[w] = hash::bytes::load64(block + 8 * w);
      detail::add512(sigma[s], words);
    }
  }
  for (int s = 0; s < kStreams; ++s) {
    _mm512_storeu_si512(chains[s]->h, _mm512_permutexvar_epi8(r.transpose, h[s]));
    std::memcpy(chains[s]->counter, n[s].words, sizeof n[s].words);
    std::memcpy(chains[s]->sigma, sigma[s], sizeof sigma[s]);
  }
}

void one(Chain& chain, const std::uint8_t* blocks, std::size_t count) {
  Chain* const chains[] = {&chain};
  const std::uint8_t* const starts[] = {blocks};
  blocks_of<1, InRegisters>(chains, starts, count);
}

void pair(Chain& a, const std::uint8_t* a_blocks, Chain& b, const std::uint8_t* b_blocks,
          std::size_t count) {
  Chain* const chains[] = {&a, &b};
  const std::uint8_t* const starts[] = {a_blocks, b_blocks};
  blocks_of<2, ThroughMemory>(chains, starts, count);
}

}  // namespace

namespace detail {

const EngineEntry* avx512_engine() {
  static const EngineEntry kEntry{one, pair};
  return &kEntry;
}

}  // namespace detail

#else

namespace detail {

const EngineEntry* avx512_engine() { return nullptr; }

}  // namespace detail

#endif

}  // namespace verolt::gost2012
