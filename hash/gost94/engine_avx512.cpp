// The step function on AVX-512 (F, BW, VL and VBMI). The four encryptions of a step are the four
// 32-bit lanes of one vector, and a round substitutes all 32 nibbles with two byte permutations.
// Everything else in a step is linear over GF(2) on bytes, so mixing and key generation are sums
// of byte permutations of the values involved; their indexes are worked out at compile time.
#include <cstddef>
#include <cstdint>

#include "hash/bytes.h"
#include "hash/gost94/engines.h"
#include "hash/gost94/linear.h"
#include "hash/x86.h"

VEROLT_X86_UNDEFINED_VECTORS_ARE_FINE

namespace verolt::gost94 {

#if VEROLT_X86

namespace {

using detail::kC3;
using detail::psi_power;
using detail::quarter_sequence;
using detail::WordMatrix;

// ---- The linear maps, at compile time ----

// A linear map on bytes: output byte b is the XOR of the source bytes set in sources[b].
struct ByteMap {
  std::uint64_t sources[64];
};

// The engine keeps 256-bit values in the lane layout: the low halves of the four quarters, then
// their high halves, which are N1 and N2 of the four encryptions. Where byte b of the value sits:
constexpr int lane_position(int b) { return (b % 8 < 4 ? 0 : 16) + 4 * (b / 8) + b % 4; }

// The encryption result S in the same registers: N2 is the low half of each quarter, N1 the high
// one. Positions 0..15 are N1, 16..31 N2.
constexpr int cipher_position(int b) { return (b % 8 < 4 ? 16 : 0) + 4 * (b / 8) + b % 4; }

// The new H is psi^61(H) ^ psi^62(M) ^ psi^74(S). The first two do not wait for the encryption.
// psi^n from a value in the lane layout (H) or as loaded (M) to the lane layout:
constexpr ByteMap psi_map(int n, bool from_lane_layout) {
  const WordMatrix psi = psi_power(n);
  ByteMap map{};
  for (int o = 0; o < 16; ++o) {
    for (int e = 0; e < 2; ++e) {
      for (int w = 0; w < 16; ++w) {
        if ((psi.row[o] >> w & 1) == 0) continue;
        const int from = from_lane_layout ? lane_position(2 * w + e) : 2 * w + e;
        map.sources[lane_position(2 * o + e)] |= std::uint64_t{1} << from;
      }
    }
  }
  return map;
}

// psi^74(S) from one half of the encryption result: N1 (half 0) or N2 (half 1), 16 bytes each.
constexpr ByteMap cipher_map(int half) {
  const WordMatrix s = psi_power(74);
  ByteMap map{};
  for (int o = 0; o < 16; ++o) {
    for (int e = 0; e < 2; ++e) {
      for (int w = 0; w < 16; ++w) {
        const int from = cipher_position(2 * w + e);
        if ((s.row[o] >> w & 1) != 0 && from / 16 == half) {
          map.sources[lane_position(2 * o + e)] |= std::uint64_t{1} << (from % 16);
        }
      }
    }
  }
  return map;
}

// Key generation, A's powers being windows of the sequence of detail::quarter_sequence.
// Key i (0..3) is P(U ^ V) with U = window i of H's sequence (C3 enters the third, hence window
// i - 2 of C3's sequence in the third and fourth) and V = window 2i of M's sequence. Key word j of
// key i is bytes j, 8 + j, 16 + j, 24 + j of U ^ V; the round of word j needs it for all four keys
// at once, so the keys are laid out by word: byte 16j + 4i + q of 128 holds byte 8q + j of U ^ V
// of key i. `half` 0 is words 0..3, half 1 words 4..7; `from_h` picks the part of H (lane layout)
// or of M (as loaded).
constexpr ByteMap key_map(int half, bool from_h) {
  ByteMap map{};
  for (int j = 4 * half; j < 4 * half + 4; ++j) {
    for (int i = 0; i < 4; ++i) {
      for (int q = 0; q < 4; ++q) {
        const unsigned quarters = from_h ? quarter_sequence(i + q) : quarter_sequence(2 * i + q);
        std::uint64_t& sources = map.sources[16 * (j % 4) + 4 * i + q];
        for (int p = 0; p < 4; ++p) {
          if ((quarters >> p & 1) == 0) continue;
          sources |= std::uint64_t{1} << (from_h ? lane_position(8 * p + j) : 8 * p + j);
        }
      }
    }
  }
  return map;
}

struct Bytes64 {
  std::uint8_t b[64];
};

// What C3 adds to the keys, in the layout of key_map.
constexpr Bytes64 key_constant(int half) {
  Bytes64 c{};
  for (int j = 4 * half; j < 4 * half + 4; ++j) {
    for (int i = 2; i < 4; ++i) {
      for (int q = 0; q < 4; ++q) {
        const unsigned quarters = quarter_sequence(i - 2 + q);
        for (int p = 0; p < 4; ++p) {
          if ((quarters >> p & 1) != 0) c.b[16 * (j % 4) + 4 * i + q] ^= kC3[8 * p + j];
        }
      }
    }
  }
  return c;
}

constexpr Bytes64 to_lane_layout() {
  Bytes64 index{};
  for (int b = 0; b < 32; ++b) index.b[lane_position(b)] = static_cast<std::uint8_t>(b);
  return index;
}

constexpr Bytes64 from_lane_layout() {
  Bytes64 index{};
  for (int b = 0; b < 32; ++b) index.b[b] = static_cast<std::uint8_t>(lane_position(b));
  return index;
}

constexpr int most_sources(const ByteMap& map) {
  int most = 0;
  for (const std::uint64_t sources : map.sources) {
    int n = 0;
    for (int s = 0; s < 64; ++s) n += static_cast<int>(sources >> s & 1);
    most = n > most ? n : most;
  }
  return most;
}

// A map as N byte permutations whose results add up to it. Term t of output byte b goes to
// permutation t / fold at position b + width * (t % fold): with fold 2 one 64-byte permutation
// makes two terms of a 32-byte result. The sources are zero-extended, so a missing term picks the
// zero byte at `zero` and no masks are needed.
template <int N>
struct Terms {
  std::uint8_t index[N][64];
};

// Source t (in increasing order) of output byte b, or `zero` if it has fewer.
constexpr int nth_source(const ByteMap& map, int b, int t, int zero) {
  for (int s = 0; s < 64; ++s) {
    if ((map.sources[b] >> s & 1) != 0 && t-- == 0) return s;
  }
  return zero;
}

template <int N>
constexpr Terms<N> compile(const ByteMap& map, int width, int fold, int zero) {
  Terms<N> terms{};
  for (int i = 0; i < N; ++i) {
    for (int at = 0; at < 64; ++at) {
      const int source =
          at < width * fold ? nth_source(map, at % width, i * fold + at / width, zero) : zero;
      terms.index[i][at] = static_cast<std::uint8_t>(source);
    }
  }
  return terms;
}

// Sources of 32 bytes sit in 64-byte registers, those of 16 bytes in 32-byte ones.
constexpr ByteMap kHMap = psi_map(61, true);
constexpr auto kH = compile<(most_sources(kHMap) + 1) / 2>(kHMap, 32, 2, 63);
constexpr ByteMap kMMap = psi_map(62, false);
constexpr auto kM = compile<(most_sources(kMMap) + 1) / 2>(kMMap, 32, 2, 63);
constexpr ByteMap kFromN1Map = cipher_map(0);
constexpr auto kFromN1 = compile<most_sources(kFromN1Map)>(kFromN1Map, 32, 1, 31);
constexpr ByteMap kFromN2Map = cipher_map(1);
constexpr auto kFromN2 = compile<most_sources(kFromN2Map)>(kFromN2Map, 32, 1, 31);
constexpr ByteMap kKeyFromH0Map = key_map(0, true);
constexpr auto kKeyFromH0 = compile<most_sources(kKeyFromH0Map)>(kKeyFromH0Map, 64, 1, 63);
constexpr ByteMap kKeyFromH1Map = key_map(1, true);
constexpr auto kKeyFromH1 = compile<most_sources(kKeyFromH1Map)>(kKeyFromH1Map, 64, 1, 63);
constexpr ByteMap kKeyFromM0Map = key_map(0, false);
constexpr auto kKeyFromM0 = compile<most_sources(kKeyFromM0Map)>(kKeyFromM0Map, 64, 1, 63);
constexpr ByteMap kKeyFromM1Map = key_map(1, false);
constexpr auto kKeyFromM1 = compile<most_sources(kKeyFromM1Map)>(kKeyFromM1Map, 64, 1, 63);
constexpr Bytes64 kKeyConstant0 = key_constant(0);
constexpr Bytes64 kKeyConstant1 = key_constant(1);
constexpr Bytes64 kToLane = to_lane_layout();
constexpr Bytes64 kFromLane = from_lane_layout();

// ---- The engine ----

VEROLT_TARGET_AVX512 inline __m256i load256(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VEROLT_TARGET_AVX512 inline __m512i load512(const std::uint8_t* p) { return _mm512_loadu_si512(p); }

// start ^ the sum of the terms, from a zero-extended source of 16 bytes into 32 bytes.
template <int N>
VEROLT_TARGET_AVX512 inline __m256i sum256(const Terms<N>& terms, __m128i source, __m256i start) {
  const __m256i table = _mm256_zextsi128_si256(source);
  __m256i sum = start;
  for (int t = 0; t < N; t += 2) {
    const __m256i a = _mm256_permutexvar_epi8(load256(terms.index[t]), table);
    if (t + 1 == N) return _mm256_xor_si256(sum, a);
    const __m256i b = _mm256_permutexvar_epi8(load256(terms.index[t + 1]), table);
    sum = _mm256_ternarylogic_epi32(sum, a, b, 0x96);
  }
  return sum;
}

// The same from a zero-extended source of 32 bytes into 64 bytes.
template <int N>
VEROLT_TARGET_AVX512 inline __m512i sum512(const Terms<N>& terms, __m256i source, __m512i start) {
  const __m512i table = _mm512_zextsi256_si512(source);
  __m512i sum = start;
  for (int t = 0; t < N; t += 2) {
    const __m512i a = _mm512_permutexvar_epi8(load512(terms.index[t]), table);
    if (t + 1 == N) return _mm512_xor_si512(sum, a);
    const __m512i b = _mm512_permutexvar_epi8(load512(terms.index[t + 1]), table);
    sum = _mm512_ternarylogic_epi32(sum, a, b, 0x96);
  }
  return sum;
}

// The substitution: rows 0, 2, 4, 6 and rows 1, 3, 5, 7 (pre-shifted) as 64-byte tables; a
// nibble of byte p indexes its table at 16p + nibble.
struct Sbox {
  __m512i low;
  __m512i high;
  __m128i nibbles;  // 0x0F in every byte
  __m128i rows;     // 16p in byte p of every lane
};

// other ^ f(n + k) in all four lanes.
VEROLT_TARGET_AVX512 inline __m128i round(const Sbox& s, __m128i other, __m128i n, __m128i k) {
  // _mm_add_epi32, in the compiler's vector types that it expands to.
  const __m128i v = (__m128i)((__v4su)n + (__v4su)k);
  // (v & nibbles) | rows. The shift comes first, so that the other index can overwrite v.
  const __m128i high_index = _mm_ternarylogic_epi32(_mm_srli_epi32(v, 4), s.nibbles, s.rows, 0xEA);
  const __m128i low_index = _mm_ternarylogic_epi32(v, s.nibbles, s.rows, 0xEA);
  const __m128i low =
      _mm512_castsi512_si128(_mm512_permutexvar_epi8(_mm512_castsi128_si512(low_index), s.low));
  const __m128i high =
      _mm512_castsi512_si128(_mm512_permutexvar_epi8(_mm512_castsi128_si512(high_index), s.high));
  // The rotation distributes over the two halves of the substituted word.
  return _mm_ternarylogic_epi32(other, _mm_rol_epi32(low, 11), _mm_rol_epi32(high, 11), 0x96);
}

// Rounds 8 * pass to 8 * pass + 7 of the 32, so that other work can go between the passes.
VEROLT_TARGET_AVX512 inline void eight_rounds(const Sbox& s, const __m128i k[8], int pass,
                                              __m128i& n1, __m128i& n2) {
  for (int i = 8 * pass; i < 8 * pass + 8; i += 2) {
    n2 = round(s, n2, n1, k[detail::round_key_word(i)]);
    n1 = round(s, n1, n2, k[detail::round_key_word(i + 1)]);
  }
}

struct Keys {
  __m512i words0123;
  __m512i words4567;
};

// The part of the keys that comes from the block (and C3); it is known a step ahead.
VEROLT_TARGET_AVX512 inline Keys keys_from_block(const std::uint8_t* block) {
  const __m256i m = load256(block);
  return {sum512(kKeyFromM0, m, load512(kKeyConstant0.b)),
          sum512(kKeyFromM1, m, load512(kKeyConstant1.b))};
}

VEROLT_TARGET_AVX512 inline Keys add_keys_from_h(const Keys& from_block, __m256i h) {
  return {sum512(kKeyFromH0, h, from_block.words0123), sum512(kKeyFromH1, h, from_block.words4567)};
}

VEROLT_TARGET_AVX512 void steps(const EngineTables& tables, std::uint8_t h[32],
                                std::uint8_t* checksum, const std::uint8_t* blocks,
                                std::size_t count) {
  if (count == 0) return;
  const NibbleTables& nibbles = tables.nibbles;
  const Sbox s = {load512(nibbles.low), load512(nibbles.high), _mm_set1_epi8(0x0F),
                  _mm_set1_epi32(0x30201000)};
  detail::Checksum sum{};
  if (checksum != nullptr) sum = detail::Checksum::load(checksum);

  __m256i hl = _mm256_permutexvar_epi8(load256(kToLane.b), load256(h));
  Keys keys = add_keys_from_h(keys_from_block(blocks), hl);
  for (std::size_t b = 0; b < count; ++b) {
    const std::uint8_t* block = blocks + kBlockSize * b;
    if (checksum != nullptr) sum.add(block);

    const __m128i k[8] = {
        _mm512_castsi512_si128(keys.words0123),       _mm512_extracti32x4_epi32(keys.words0123, 1),
        _mm512_extracti32x4_epi32(keys.words0123, 2), _mm512_extracti32x4_epi32(keys.words0123, 3),
        _mm512_castsi512_si128(keys.words4567),       _mm512_extracti32x4_epi32(keys.words4567, 1),
        _mm512_extracti32x4_epi32(keys.words4567, 2), _mm512_extracti32x4_epi32(keys.words4567, 3)};
    __m128i n1 = _mm256_castsi256_si128(hl);
    __m128i n2 = _mm256_extracti128_si256(hl, 1);
    eight_rounds(s, k, 0, n1, n2);

    // Work that does not wait for the encryption: psi^61(H) ^ psi^62(M), and the next block's
    // part of the next keys. It comes after the first rounds so that it fills the gaps between
    // them instead of holding them up.
    const __m512i mixed2 = sum512(kM, load256(block), sum512(kH, hl, _mm512_setzero_si512()));
    const __m256i mixed =
        _mm256_xor_si256(_mm512_castsi512_si256(mixed2), _mm512_extracti64x4_epi64(mixed2, 1));
    eight_rounds(s, k, 1, n1, n2);
    const bool more = b + 1 < count;
    const Keys next = more ? keys_from_block(block + kBlockSize) : keys;
    eight_rounds(s, k, 2, n1, n2);
    eight_rounds(s, k, 3, n1, n2);

    // N2 is final a round before N1, so its share is ready first.
    const __m256i partial = sum256(kFromN2, n2, mixed);
    hl = sum256(kFromN1, n1, partial);
    if (more) keys = add_keys_from_h(next, hl);
  }

  _mm256_storeu_si256(reinterpret_cast<__m256i*>(h),
                      _mm256_permutexvar_epi8(load256(kFromLane.b), hl));
  if (checksum != nullptr) sum.store(checksum);
}

// ---- Several streams: four in the sixteen lanes of a register, R registers at once ----

struct Sbox512 {
  __m512i low;
  __m512i high;
  __m512i nibbles;
  __m512i rows;
};

VEROLT_TARGET_AVX512 inline __m512i round512(const Sbox512& s, __m512i other, __m512i n,
                                             __m512i k) {
  const __m512i v = _mm512_add_epi32(n, k);
  const __m512i high_index =
      _mm512_ternarylogic_epi32(_mm512_srli_epi32(v, 4), s.nibbles, s.rows, 0xEA);
  const __m512i low_index = _mm512_ternarylogic_epi32(v, s.nibbles, s.rows, 0xEA);
  const __m512i low = _mm512_permutexvar_epi8(low_index, s.low);
  const __m512i high = _mm512_permutexvar_epi8(high_index, s.high);
  return _mm512_ternarylogic_epi32(other, _mm512_rol_epi32(low, 11), _mm512_rol_epi32(high, 11),
                                   0x96);
}

// Key words j of four streams' keys (chunk j % 4 of their halves) side by side.
VEROLT_TARGET_AVX512 inline void gather_keys(__m512i a, __m512i b, __m512i c, __m512i d,
                                             __m512i k[4]) {
  const __m512i ab02 = _mm512_shuffle_i32x4(a, b, _MM_SHUFFLE(2, 0, 2, 0));
  const __m512i ab13 = _mm512_shuffle_i32x4(a, b, _MM_SHUFFLE(3, 1, 3, 1));
  const __m512i cd02 = _mm512_shuffle_i32x4(c, d, _MM_SHUFFLE(2, 0, 2, 0));
  const __m512i cd13 = _mm512_shuffle_i32x4(c, d, _MM_SHUFFLE(3, 1, 3, 1));
  k[0] = _mm512_shuffle_i32x4(ab02, cd02, _MM_SHUFFLE(2, 0, 2, 0));
  k[1] = _mm512_shuffle_i32x4(ab13, cd13, _MM_SHUFFLE(2, 0, 2, 0));
  k[2] = _mm512_shuffle_i32x4(ab02, cd02, _MM_SHUFFLE(3, 1, 3, 1));
  k[3] = _mm512_shuffle_i32x4(ab13, cd13, _MM_SHUFFLE(3, 1, 3, 1));
}

template <int R>
VEROLT_TARGET_AVX512 void group(const EngineTables& tables, const Stream* const* streams,
                                std::size_t count) {
  constexpr int kStreams = 4 * R;
  const Sbox512 s = {load512(tables.nibbles.low), load512(tables.nibbles.high),
                     _mm512_set1_epi8(0x0F), _mm512_set1_epi32(0x30201000)};
  __m256i hl[kStreams];
  Keys keys[kStreams];
  for (int i = 0; i < kStreams; ++i) {
    hl[i] = _mm256_permutexvar_epi8(load256(kToLane.b), load256(streams[i]->h));
    keys[i] = add_keys_from_h(keys_from_block(streams[i]->blocks), hl[i]);
  }

  for (std::size_t b = 0; b < count; ++b) {
    __m512i k[R][8];
    __m512i n1[R];
    __m512i n2[R];
    for (int r = 0; r < R; ++r) {
      const Keys* q = keys + 4 * r;
      gather_keys(q[0].words0123, q[1].words0123, q[2].words0123, q[3].words0123, k[r]);
      gather_keys(q[0].words4567, q[1].words4567, q[2].words4567, q[3].words4567, k[r] + 4);
      const __m256i* x = hl + 4 * r;
      const __m512i ab = _mm512_inserti64x4(_mm512_castsi256_si512(x[0]), x[1], 1);
      const __m512i cd = _mm512_inserti64x4(_mm512_castsi256_si512(x[2]), x[3], 1);
      n1[r] = _mm512_shuffle_i32x4(ab, cd, _MM_SHUFFLE(2, 0, 2, 0));
      n2[r] = _mm512_shuffle_i32x4(ab, cd, _MM_SHUFFLE(3, 1, 3, 1));
    }

    // psi^61(H) ^ psi^62(M) does not wait for the rounds.
    __m256i mixed[kStreams];
    for (int i = 0; i < kStreams; ++i) {
      const std::uint8_t* block = streams[i]->blocks + kBlockSize * b;
      if (streams[i]->checksum != nullptr) detail::add_to_checksum(streams[i]->checksum, block);
      const __m512i m2 = sum512(kM, load256(block), sum512(kH, hl[i], _mm512_setzero_si512()));
      mixed[i] = _mm256_xor_si256(_mm512_castsi512_si256(m2), _mm512_extracti64x4_epi64(m2, 1));
    }

    for (int i = 0; i < detail::kRounds; i += 2) {
      const int odd = detail::round_key_word(i);
      const int even = detail::round_key_word(i + 1);
      for (int r = 0; r < R; ++r) n2[r] = round512(s, n2[r], n1[r], k[r][odd]);
      for (int r = 0; r < R; ++r) n1[r] = round512(s, n1[r], n2[r], k[r][even]);
    }

    const bool more = b + 1 < count;
    for (int r = 0; r < R; ++r) {
      const __m128i a1[4] = {_mm512_castsi512_si128(n1[r]), _mm512_extracti32x4_epi32(n1[r], 1),
                             _mm512_extracti32x4_epi32(n1[r], 2),
                             _mm512_extracti32x4_epi32(n1[r], 3)};
      const __m128i a2[4] = {_mm512_castsi512_si128(n2[r]), _mm512_extracti32x4_epi32(n2[r], 1),
                             _mm512_extracti32x4_epi32(n2[r], 2),
                             _mm512_extracti32x4_epi32(n2[r], 3)};
      for (int g = 0; g < 4; ++g) {
        const int i = 4 * r + g;
        hl[i] = sum256(kFromN1, a1[g], sum256(kFromN2, a2[g], mixed[i]));
        if (more) {
          keys[i] =
              add_keys_from_h(keys_from_block(streams[i]->blocks + kBlockSize * (b + 1)), hl[i]);
        }
      }
    }
  }

  for (int i = 0; i < kStreams; ++i) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(streams[i]->h),
                        _mm256_permutexvar_epi8(load256(kFromLane.b), hl[i]));
  }
}

}  // namespace

namespace detail {

const EngineEntry* avx512_engine() {
  // Up to four registers of four streams each fill the latency of the rounds; fewer streams take
  // fewer registers. Costs: nanoseconds per block on AMD family 1Ah, where sixteen streams
  // cost about twice four.
  static constexpr EngineEntry kEntry = {
      &steps, {&group<1>, &group<2>, &group<4>}, 4, 3, {145, 162, 219, 330}};
  return &kEntry;
}

}  // namespace detail

#else

namespace detail {

const EngineEntry* avx512_engine() { return nullptr; }

}  // namespace detail

#endif

}  // namespace verolt::gost94
