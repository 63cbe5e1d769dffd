// The step function on AVX2. Each 32-bit lane of a register is one encryption, so a register
// holds the four encryptions of two streams. A round substitutes nibbles with byte shuffles: a
// shuffle looks up one 16-entry row for every byte, so each of the eight rows takes a shuffle of
// its own, with the index bytes of the other three byte places cleared, which the rows (less
// their entry 0) turn into zero. The keys are made with scalar instructions (they run beside the
// vector ones), straight into the layout the rounds load; the mixing is linear on 16-bit words,
// done as sums of broadcast words under masks worked out at compile time.
#include "hash/bytes.h"
#include "hash/gost94/engine_portable.h"
#include "hash/gost94/engines.h"
#include "hash/gost94/linear.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VEROLT_GOST_AVX2 1
#include <immintrin.h>
#else
#define VEROLT_GOST_AVX2 0
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace verolt::gost94 {

#if VEROLT_GOST_AVX2

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

#define VEROLT_AVX2_TARGET __attribute__((target("avx2")))

VEROLT_AVX2_TARGET inline __m256i load(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// The matrix of `masks` applied to a padded value.
VEROLT_AVX2_TARGET inline __m256i apply(const Masks& masks, const Padded& padded) {
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

// H ^ psi(M).
inline void h_and_psi_m(const std::uint8_t h[32], const std::uint8_t m[32], Padded& out) {
  std::uint64_t q[4];
  std::uint64_t y[4];
  for (std::size_t i = 0; i < 4; ++i) {
    q[i] = hash::bytes::load64(m + 8 * i);
    y[i] = hash::bytes::load64(h + 8 * i);
  }
  // The new top word: the taps of psi, word t of M being 16-bit part t % 4 of q[t / 4].
  std::uint64_t top = 0;
  for (const int t : detail::kPsiTaps) top ^= q[t / 4] >> (16 * (t % 4));
  top &= 0xFFFFu;
  y[0] ^= (q[0] >> 16) | (q[1] << 48);
  y[1] ^= (q[1] >> 16) | (q[2] << 48);
  y[2] ^= (q[2] >> 16) | (q[3] << 48);
  y[3] ^= (q[3] >> 16) | (top << 48);
  for (std::size_t i = 0; i < 4; ++i) hash::bytes::store64(out.value() + 8 * i, y[i]);
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

VEROLT_AVX2_TARGET inline Sbox make_sbox(const NibbleTables& t) {
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
VEROLT_AVX2_TARGET inline __m256i round(const Sbox& s, __m256i other, __m256i n, __m256i k) {
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
VEROLT_AVX2_TARGET void group(const EngineTables& tables, const Stream* const* streams,
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

}  // namespace

namespace detail {

const EngineEntry* avx2_engine() {
  // One stream alone is bound by the latency of its rounds: here about 10 cycles a round, and the
  // keys pass from scalar stores to vector loads, which stalls. Measured at 0.7 to 0.9 times the
  // portable step's speed, so one stream takes the portable step.
  // Several streams: up to four registers of two streams each fill the latency of the rounds;
  // fewer streams take fewer registers.
  static const EngineEntry kEntry = {
      portable_engine().one, {&group<1>, &group<2>, &group<4>}, 2, 3};
  return &kEntry;
}

}  // namespace detail

#else

namespace detail {

const EngineEntry* avx2_engine() { return nullptr; }

}  // namespace detail

#endif

}  // namespace verolt::gost94
