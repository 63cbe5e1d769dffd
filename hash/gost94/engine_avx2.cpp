// The step function on AVX2. Each 32-bit lane of a register is one encryption, so a register
// holds the four encryptions of two streams (one stream alone steps otherwise: see "One stream"). A
// round substitutes nibbles with byte shuffles: a shuffle looks up one 16-entry row for every byte,
// so each of the eight rows takes a shuffle of its own, with the index bytes of the other three
// byte places cleared, which the rows (less their entry 0) turn into zero. The keys are made with
// scalar instructions (they run beside the vector ones), straight into the layout the rounds load;
// the mixing is linear on 16-bit words, done as sums of broadcast words under masks worked out at
// compile time.
#include "hash/bytes.h"
#include "hash/gost94/engine_portable.h"
#include "hash/gost94/engines.h"
#include "hash/gost94/linear.h"
#include "hash/gost94/rounds.h"
#include "hash/x86.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <numeric>
#include <utility>

namespace verolt::gost94 {

#if VEROLT_X86

namespace {

using detail::WordMatrix;

// ---- The mixing as masks, at compile time ----

// A 32-bit broadcast of the value's bytes 2k..2k+3 puts word k in the even words of a register
// and word k + 1 in the odd ones; k runs from -1 (word 0 alone, in the odd words) to 15 (word 15
// alone, in the even words). mask[k + 1] keeps, in output word o, what the matrix takes from
// there; the sum of the broadcasts under their masks is the matrix applied to the value.
struct Masks {
  std::uint16_t mask[17][16];
};

constexpr Masks masks_of(const WordMatrix& m) {
  Masks masks{};
  for (int k = -1; k < 16; ++k) {
    for (int o = 0; o < 16; ++o) {
      const int word = o % 2 == 0 ? k : k + 1;
      if (word >= 0 && word < 16 && (m.row[o] >> word & 1) != 0) masks.mask[k + 1][o] = 0xFFFF;
    }
  }
  return masks;
}

// A value with a zero word on either side, for the broadcasts at its ends.
struct Padded {
  std::uint8_t b[36];
  std::uint8_t* value() { return b + 2; }
};

// The new H is psi^61(H ^ psi(M)) ^ psi^74(S).
constexpr Masks kMixX = masks_of(detail::psi_power(61));
constexpr Masks kMixS = masks_of(detail::psi_power(74));

VEROLT_TARGET_AVX2 inline __m256i load(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// The matrix of `masks` applied to a padded value.
VEROLT_TARGET_AVX2 inline __m256i apply(const Masks& masks, const Padded& padded) {
  // Four partial sums, so that the XORs do not form one long chain.
  __m256i sum[4] = {};
  for (std::size_t k = 0; k < 17; ++k) {
    std::uint32_t pair;
    std::memcpy(&pair, padded.b + 2 * k, sizeof pair);
    const __m256i word = _mm256_set1_epi32(static_cast<int>(pair));
    sum[k % 4] = _mm256_xor_si256(sum[k % 4], _mm256_and_si256(word, load(masks.mask[k])));
  }
  return _mm256_xor_si256(_mm256_xor_si256(sum[0], sum[1]), _mm256_xor_si256(sum[2], sum[3]));
}

// psi(M) as four little-endian quarters, from M's quarters q.
inline void psi_quarters(const std::uint64_t q[4], std::uint64_t out[4]) {
  // The new top word: the taps of psi, word t of M being 16-bit part t % 4 of q[t / 4].
  const std::uint64_t top =
      std::accumulate(std::begin(detail::kPsiTaps), std::end(detail::kPsiTaps), std::uint64_t{0},
                      [q](std::uint64_t sum, int t) { return sum ^ q[t / 4] >> (16 * (t % 4)); });
  out[0] = (q[0] >> 16) | (q[1] << 48);
  out[1] = (q[1] >> 16) | (q[2] << 48);
  out[2] = (q[2] >> 16) | (q[3] << 48);
  out[3] = (q[3] >> 16) | (top << 48);
}

// H ^ psi(M).
inline void h_and_psi_m(const std::uint8_t h[32], const std::uint8_t m[32], Padded& out) {
  std::uint64_t q[4];
  for (std::size_t i = 0; i < 4; ++i) q[i] = hash::bytes::load64(m + 8 * i);
  std::uint64_t psi[4];
  psi_quarters(q, psi);
  for (std::size_t i = 0; i < 4; ++i) {
    hash::bytes::store64(out.value() + 8 * i, hash::bytes::load64(h + 8 * i) ^ psi[i]);
  }
}

// The rows as shuffle tables, in both halves of a register. Each row has its entry 0 taken out of
// every entry, so that an index of zero gives zero: the index of byte place k is then just the
// nibble masked to that place, and the entries taken out come back as one constant per round.
struct Sbox {
  __m256i low[4];    // row 2k, for the low nibble of byte k
  __m256i high[4];   // row 2k + 1 shifted into the high nibble
  __m256i place[4];  // 0x0F in byte place k
  __m256i rotated0;  // the entries 0 of all rows, in place and rotated
};

VEROLT_TARGET_AVX2 inline Sbox make_sbox(const NibbleTables& t) {
  Sbox s{};
  std::uint32_t zeros = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    std::uint8_t low[16];
    std::uint8_t high[16];
    for (std::size_t x = 0; x < 16; ++x) {
      low[x] = static_cast<std::uint8_t>(t.low[16 * k + x] ^ t.low[16 * k]);
      high[x] = static_cast<std::uint8_t>(t.high[16 * k + x] ^ t.high[16 * k]);
    }
    s.low[k] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low)));
    s.high[k] =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(high)));
    s.place[k] = _mm256_set1_epi32(static_cast<int>(0x0Fu << (8 * k)));
    zeros |= std::uint32_t{static_cast<std::uint8_t>(t.low[16 * k] | t.high[16 * k])} << (8 * k);
  }
  s.rotated0 = _mm256_set1_epi32(static_cast<int>(hash::bytes::rotate_left(zeros, 11)));
  return s;
}

// other ^ f(n + k) in all eight lanes.
VEROLT_TARGET_AVX2 inline __m256i round(const Sbox& s, __m256i other, __m256i n, __m256i k) {
  const __m256i v = _mm256_add_epi32(n, k);
  const __m256i hi = _mm256_srli_epi32(v, 4);
  __m256i t[8];
  for (std::size_t p = 0; p < 4; ++p) {
    t[2 * p] = _mm256_shuffle_epi8(s.low[p], _mm256_and_si256(v, s.place[p]));
    t[2 * p + 1] = _mm256_shuffle_epi8(s.high[p], _mm256_and_si256(hi, s.place[p]));
  }
  const __m256i sub = _mm256_xor_si256(
      _mm256_xor_si256(_mm256_xor_si256(t[0], t[1]), _mm256_xor_si256(t[2], t[3])),
      _mm256_xor_si256(_mm256_xor_si256(t[4], t[5]), _mm256_xor_si256(t[6], t[7])));
  // The two shifted parts have no bit in common, so XOR makes the rotation.
  return _mm256_xor_si256(_mm256_xor_si256(other, s.rotated0),
                          _mm256_xor_si256(_mm256_slli_epi32(sub, 11), _mm256_srli_epi32(sub, 21)));
}

// Key words j of both streams of a register: 32 bytes for each j.
struct KeyWords {
  std::uint8_t word[8][32];
};

// R registers of two streams each, stepped by `count` blocks.
template <int R>
VEROLT_TARGET_AVX2 void group(const EngineTables& tables, const Stream* const* streams,
                              std::size_t count) {
  constexpr int kStreams = 2 * R;
  const Sbox s = make_sbox(tables.nibbles);
  // Quarter i's low half to lane i, its high half to lane 4 + i.
  const __m256i split = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  KeyWords keys[R];
  Padded cipher[kStreams] = {};
  Padded x[kStreams] = {};

  for (std::size_t b = 0; b < count; ++b) {
    __m256i n1[R];
    __m256i n2[R];
    for (int r = 0; r < R; ++r) {
      __m256i halves[2];
      for (int g = 0; g < 2; ++g) {
        const Stream& st = *streams[2 * r + g];
        const std::uint8_t* block = st.blocks + kBlockSize * b;
        if (st.checksum != nullptr) detail::add_to_checksum(st.checksum, block);
        detail::make_keys_by_word(st.h, block, keys[r].word[0] + 16 * g);
        h_and_psi_m(st.h, block, x[2 * r + g]);
        halves[g] = _mm256_permutevar8x32_epi32(load(st.h), split);
      }
      n1[r] = _mm256_permute2x128_si256(halves[0], halves[1], 0x20);
      n2[r] = _mm256_permute2x128_si256(halves[0], halves[1], 0x31);
    }

    for (int i = 0; i < detail::kRounds; i += 2) {
      const int odd = detail::round_key_word(i);
      const int even = detail::round_key_word(i + 1);
      for (int r = 0; r < R; ++r) n2[r] = round(s, n2[r], n1[r], load(keys[r].word[odd]));
      for (int r = 0; r < R; ++r) n1[r] = round(s, n1[r], n2[r], load(keys[r].word[even]));
    }

    for (int r = 0; r < R; ++r) {
      // S is N2 then N1 for each quarter.
      const __m256i lo = _mm256_unpacklo_epi32(n2[r], n1[r]);
      const __m256i hi = _mm256_unpackhi_epi32(n2[r], n1[r]);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(cipher[2 * r].value()),
                          _mm256_permute2x128_si256(lo, hi, 0x20));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(cipher[2 * r + 1].value()),
                          _mm256_permute2x128_si256(lo, hi, 0x31));
      for (int g = 0; g < 2; ++g) {
        const int i = 2 * r + g;
        const __m256i h = _mm256_xor_si256(apply(kMixX, x[i]), apply(kMixS, cipher[i]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(streams[i]->h), h);
      }
    }
  }
}

// ---- One stream ----
//
// One stream has four encryptions a step, too few to fill the vectors: its rounds run on scalar
// registers with the 32-bit round tables (as in the portable engine), and the vector units do
// everything else beside them. Only the rounds remain on the chain from one block to the next:
// the mixing is taken in closed form, H' = psi^61(H ^ psi(M)) ^ psi^74(S), where only psi^74(S)
// waits for the rounds, and the keys are linear in H' and in the block, whose share does not
// wait at all. The linear maps are byte shuffles worked out at compile time.

// A 32-byte value by halves: half 0 has the low 32-bit halves of its four quarters (N1 of the
// encryptions, when the value is H), half 1 the high ones. Byte b sits in half half_of(b) at
// place_of(b). The result S has N2 as the low halves, so the same positions hold for it with N2 as
// half 0.
constexpr int half_of(int b) { return b % 8 / 4; }
constexpr int place_of(int b) { return 4 * (b / 8) + b % 4; }

// A linear map from one half to another: output byte b is the XOR of the bytes set in sources[b].
struct HalfMap {
  std::uint16_t sources[16];
};

constexpr int most_sources(const HalfMap& map) {
  int most = 0;
  for (const std::uint16_t sources : map.sources) {
    int n = 0;
    for (int s = 0; s < 16; ++s) n += sources >> s & 1;
    most = n > most ? n : most;
  }
  return most;
}

// Two maps, one in each 128-bit lane, as N byte shuffles whose results add up to them; where an
// output byte has fewer sources, the index's top bit makes the shuffle give zero.
template <int N>
struct Shuffles {
  std::uint8_t index[N][32];
};

constexpr int most_sources(const HalfMap& low, const HalfMap& high) {
  return most_sources(low) > most_sources(high) ? most_sources(low) : most_sources(high);
}

template <int N>
constexpr Shuffles<N> shuffles_of(const HalfMap& low, const HalfMap& high) {
  Shuffles<N> shuffles{};
  for (int lane = 0; lane < 2; ++lane) {
    const HalfMap& map = lane == 0 ? low : high;
    for (int b = 0; b < 16; ++b) {
      int t = 0;
      for (int s = 0; s < 16; ++s) {
        if ((map.sources[b] >> s & 1) != 0) {
          shuffles.index[t++][16 * lane + b] = static_cast<std::uint8_t>(s);
        }
      }
      for (; t < N; ++t) shuffles.index[t][16 * lane + b] = 0x80;
    }
  }
  return shuffles;
}

// psi^74 from half `from` of S to half `to` of H'.
constexpr HalfMap cipher_map(int to, int from) {
  const WordMatrix psi = detail::psi_power(74);
  HalfMap map{};
  for (int out = 0; out < 32; ++out) {
    for (int w = 0; w < 16; ++w) {
      const int in = 2 * w + out % 2;
      if ((psi.row[out / 2] >> w & 1) != 0 && half_of(out) == to && half_of(in) == from) {
        map.sources[place_of(out)] |= static_cast<std::uint16_t>(1u << place_of(in));
      }
    }
  }
  return map;
}

// Key word j of the four keys, H's share, from half j / 4 of H: byte 4i + q is byte j of
// quarter q of window i of H's sequence of quarters.
constexpr HalfMap key_word_map(int j) {
  HalfMap map{};
  for (int i = 0; i < 4; ++i) {
    for (int q = 0; q < 4; ++q) {
      const unsigned quarters = detail::quarter_sequence(i + q);
      for (int p = 0; p < 4; ++p) {
        if ((quarters >> p & 1) != 0) {
          map.sources[4 * i + q] |= static_cast<std::uint16_t>(1u << place_of(8 * p + j));
        }
      }
    }
  }
  return map;
}

// psi^74(S) into both halves of H' at once, from N2 (final a round before N1) and from N1.
constexpr HalfMap kLowFromN2 = cipher_map(0, 0);
constexpr HalfMap kHighFromN2 = cipher_map(1, 0);
constexpr HalfMap kLowFromN1 = cipher_map(0, 1);
constexpr HalfMap kHighFromN1 = cipher_map(1, 1);
constexpr auto kFromN2 =
    shuffles_of<most_sources(kLowFromN2, kHighFromN2)>(kLowFromN2, kHighFromN2);
constexpr auto kFromN1 =
    shuffles_of<most_sources(kLowFromN1, kHighFromN1)>(kLowFromN1, kHighFromN1);

// Key words j and j + 4, H's share, from the two halves of H.
template <std::size_t... j>
constexpr auto key_shuffles(std::index_sequence<j...>) {
  return std::array<Shuffles<2>, sizeof...(j)>{
      shuffles_of<2>(key_word_map(j), key_word_map(j + 4))...};
}
constexpr auto kKeyWords = key_shuffles(std::make_index_sequence<4>{});
static_assert(most_sources(key_word_map(7)) <= 2, "a key byte has at most two sources in H");

// psi^61 of a value in memory, as broadcasts under masks (as masks_of), into the halves: half 0
// in the low 128 bits. Broadcast k (0..14) is the pair of words k, k + 1; 15 and 16 are words 0
// and 15 alone, for the ends that no pair covers in the other parity.
struct HalfMasks {
  std::uint16_t mask[17][16];
};

constexpr HalfMasks half_masks(const WordMatrix& m) {
  HalfMasks masks{};
  for (int o = 0; o < 16; ++o) {
    // Output word o's 16-bit position in the register; its parity is o's.
    const int at = (16 * half_of(2 * o) + place_of(2 * o)) / 2;
    for (int k = 0; k < 15; ++k) {
      if ((m.row[o] >> (at % 2 == 0 ? k : k + 1) & 1) != 0) masks.mask[k][at] = 0xFFFF;
    }
    if (at % 2 == 1 && (m.row[o] & 1) != 0) masks.mask[15][at] = 0xFFFF;
    if (at % 2 == 0 && (m.row[o] >> 15 & 1) != 0) masks.mask[16][at] = 0xFFFF;
  }
  return masks;
}

constexpr HalfMasks kMixHalves = half_masks(detail::psi_power(61));

// The value as computed: the compiler would otherwise regroup a sum of several terms into one
// chain of XORs, each waiting on the one before.
VEROLT_TARGET_AVX2 inline void settle(__m256i& a, __m256i& b) { __asm__("" : "+x"(a), "+x"(b)); }

// start ^ the sum of the shuffles of source, as a balanced tree so that it waits on no long
// chain; term -1 of the tree is start.
template <int from, int to, int N>
VEROLT_TARGET_AVX2 inline __m256i shuffle_sum(const Shuffles<N>& shuffles, __m256i source,
                                              __m256i start) {
  if constexpr (to - from == 1) {
    return from < 0 ? start : _mm256_shuffle_epi8(source, load(shuffles.index[from]));
  } else {
    __m256i a = shuffle_sum<from, (from + to) / 2>(shuffles, source, start);
    __m256i b = shuffle_sum<(from + to) / 2, to>(shuffles, source, start);
    settle(a, b);
    return _mm256_xor_si256(a, b);
  }
}

template <int N>
VEROLT_TARGET_AVX2 inline __m256i shuffle_sum(const Shuffles<N>& shuffles, __m256i source,
                                              __m256i start) {
  return shuffle_sum<-1, N>(shuffles, source, start);
}

// psi^61(x) by halves. Four partial sums, so that the XORs do not form one long chain.
VEROLT_TARGET_AVX2 inline __m256i mix_halves(const std::uint8_t x[32]) {
  __m256i sum[4] = {};
  for (std::size_t k = 0; k < 15; ++k) {
    std::uint32_t pair;
    std::memcpy(&pair, x + 2 * k, sizeof pair);
    const __m256i word = _mm256_set1_epi32(static_cast<int>(pair));
    sum[k % 4] = _mm256_xor_si256(sum[k % 4], _mm256_and_si256(word, load(kMixHalves.mask[k])));
  }
  std::uint16_t first;
  std::uint16_t last;
  std::memcpy(&first, x, sizeof first);
  std::memcpy(&last, x + 30, sizeof last);
  sum[3] = _mm256_xor_si256(sum[3], _mm256_and_si256(_mm256_set1_epi16(static_cast<short>(first)),
                                                     load(kMixHalves.mask[15])));
  sum[2] = _mm256_xor_si256(sum[2], _mm256_and_si256(_mm256_set1_epi16(static_cast<short>(last)),
                                                     load(kMixHalves.mask[16])));
  return _mm256_xor_si256(_mm256_xor_si256(sum[0], sum[1]), _mm256_xor_si256(sum[2], sum[3]));
}

// Key words j and j + 4, the block's share, from the block by halves as H is held: byte 4i + q is
// byte j of quarter q of window 2i of M's sequence of quarters.
constexpr HalfMap block_key_word_map(int j) {
  HalfMap map{};
  for (int i = 0; i < 4; ++i) {
    for (int q = 0; q < 4; ++q) {
      const unsigned quarters = detail::quarter_sequence(2 * i + q);
      for (int p = 0; p < 4; ++p) {
        if ((quarters >> p & 1) != 0) {
          map.sources[4 * i + q] |= static_cast<std::uint16_t>(1u << place_of(8 * p + j));
        }
      }
    }
  }
  return map;
}

template <std::size_t... j>
constexpr auto block_key_shuffles(std::index_sequence<j...>) {
  return std::array<Shuffles<3>, sizeof...(j)>{
      shuffles_of<3>(block_key_word_map(j), block_key_word_map(j + 4))...};
}
constexpr auto kBlockKeyWords = block_key_shuffles(std::make_index_sequence<4>{});
static_assert(most_sources(block_key_word_map(7)) <= 3, "a key byte has at most 3 sources in M");

// C3's share of key words j and j + 4: it enters the third key as it is, and the fourth as A of
// it, so key i >= 2 has window i - 2 of C3's sequence of quarters.
struct KeyConstant {
  std::uint8_t b[32];
};

constexpr KeyConstant key_constant(int j) {
  KeyConstant c{};
  for (int lane = 0; lane < 2; ++lane) {
    for (int i = 2; i < 4; ++i) {
      for (int q = 0; q < 4; ++q) {
        const unsigned quarters = detail::quarter_sequence(i - 2 + q);
        for (int p = 0; p < 4; ++p) {
          if ((quarters >> p & 1) != 0) {
            c.b[16 * lane + 4 * i + q] ^= detail::kC3[8 * p + j + 4 * lane];
          }
        }
      }
    }
  }
  return c;
}

constexpr KeyConstant kKeyConstants[4] = {key_constant(0), key_constant(1), key_constant(2),
                                          key_constant(3)};

// A value by halves, low halves in the low lane, from its 32 bytes as they lie, and back.
VEROLT_TARGET_AVX2 inline __m256i to_halves(__m256i v) {
  return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
}

VEROLT_TARGET_AVX2 inline __m256i from_halves(__m256i v) {
  return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// Word j of the key of encryption l, where the vector side puts it for the scalar rounds.
inline std::uint32_t key_word(const std::uint8_t* keys, std::size_t l, std::size_t j) {
  std::uint32_t k;
  std::memcpy(&k, keys + 32 * (j % 4) + 16 * (j / 4) + 4 * l, sizeof k);
  return k;
}

// psi(M), a step ahead.
inline void psi_of_block(const std::uint8_t* m, std::uint8_t out[32]) {
  std::uint64_t q[4];
  for (std::size_t i = 0; i < 4; ++i) q[i] = hash::bytes::load64(m + 8 * i);
  std::uint64_t psi[4];
  psi_quarters(q, psi);
  for (std::size_t i = 0; i < 4; ++i) hash::bytes::store64(out + 8 * i, psi[i]);
}

VEROLT_TARGET_AVX2 void one(const EngineTables& tables, std::uint8_t h[32], std::uint8_t* checksum,
                            const std::uint8_t* blocks, std::size_t count) {
  if (count == 0) return;
  detail::Checksum sum{};
  if (checksum != nullptr) sum = detail::Checksum::load(checksum);

  __m256i halves = to_halves(load(h));
  std::uint8_t psi_m[2][32];
  psi_of_block(blocks, psi_m[0]);
  std::uint8_t keys[128];
  std::uint8_t held[32];
  std::uint8_t x[32];
  for (std::size_t b = 0; b < count; ++b) {
    const std::uint8_t* block = blocks + kBlockSize * b;
    if (b + 1 < count) psi_of_block(block + kBlockSize, psi_m[(b + 1) % 2]);
    if (checksum != nullptr) sum.add(block);

    const __m256i m = to_halves(load(block));
    for (std::size_t j = 0; j < 4; ++j) {
      const __m256i from_block = shuffle_sum(kBlockKeyWords[j], m, load(kKeyConstants[j].b));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(keys + 32 * j),
                          shuffle_sum(kKeyWords[j], halves, from_block));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(held), halves);
    // H ^ psi(M), for the mixing that does not wait on the rounds.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(x),
                        _mm256_xor_si256(from_halves(halves), load(psi_m[b % 2])));
    // The rounds take the keys and H from memory: passed on in registers, they would come out
    // of the vectors a word at a time.
    __asm__("" : : "r"(keys), "r"(held) : "memory");

    std::uint32_t n1[4];
    std::uint32_t n2[4];
    for (std::size_t l = 0; l < 4; ++l) {
      std::memcpy(&n1[l], held + 4 * l, sizeof n1[l]);
      std::memcpy(&n2[l], held + 16 + 4 * l, sizeof n2[l]);
    }
    detail::encrypt_side_by_side<4>(tables.round, n1, n2, [keys](std::size_t l, std::size_t j) {
      return key_word(keys, l, j);
    });

    // N2 is final a round before N1, so its share goes first.
    const __m128i s2 = _mm_set_epi64x(static_cast<long long>(std::uint64_t{n2[3]} << 32 | n2[2]),
                                      static_cast<long long>(std::uint64_t{n2[1]} << 32 | n2[0]));
    const __m128i s1 = _mm_set_epi64x(static_cast<long long>(std::uint64_t{n1[3]} << 32 | n1[2]),
                                      static_cast<long long>(std::uint64_t{n1[1]} << 32 | n1[0]));
    const __m256i mixed = shuffle_sum(kFromN2, _mm256_broadcastsi128_si256(s2), mix_halves(x));
    halves = shuffle_sum(kFromN1, _mm256_broadcastsi128_si256(s1), mixed);
  }

  _mm256_storeu_si256(reinterpret_cast<__m256i*>(h), from_halves(halves));
  if (checksum != nullptr) sum.store(checksum);
}

}  // namespace

namespace detail {

const EngineEntry* avx2_engine() {
  // One stream: its own step, bound by the chain of its rounds alone.
  // Several streams: up to four registers of two streams each fill the latency of the rounds;
  // fewer streams take fewer registers.
  // Costs: nanoseconds per block on AMD family 1Ah; a wider group costs nearly its width.
  static const EngineEntry kEntry = {
      &one, {&group<1>, &group<2>, &group<4>}, 2, 3, {139, 290, 449, 665}};
  return &kEntry;
}

}  // namespace detail

#else

namespace detail {

const EngineEntry* avx2_engine() { return nullptr; }

}  // namespace detail

#endif

}  // namespace verolt::gost94
