// The table-driven engine: each byte of the round's input is one lookup that does S, P and L at
// once. The key schedule and the encryption are two independent chains of rounds, written side
// by side so that a core overlaps their lookups.
#include <cstring>

#include "hash/bytes.h"
#include "hash/gost2012/engines.h"
#include "hash/gost2012/linear.h"
#include "hash/gost2012/tables.h"

namespace verolt::gost2012 {

namespace {

using detail::LpsTables;

inline std::uint64_t rotate16(std::uint64_t w) { return (w >> 16) | (w << 48); }

// out = LPS(x): word j of x adds its table entries to all eight output words at once. Each word is
// read once and its bytes taken two at a time from its low 16 bits, with a rotation between the
// pairs: x86 compilers make that a byte-register move each and no copies or shifts of the word,
// the bulk of the work otherwise. The eight sums are independent, so the lookups overlap.
inline void lps(const LpsTables& t, const std::uint64_t x[8], std::uint64_t out[8]) {
  std::uint64_t o0 = 0;
  std::uint64_t o1 = 0;
  std::uint64_t o2 = 0;
  std::uint64_t o3 = 0;
  std::uint64_t o4 = 0;
  std::uint64_t o5 = 0;
  std::uint64_t o6 = 0;
  std::uint64_t o7 = 0;
  for (int j = 0; j < 8; ++j) {
    const std::uint64_t* tj = t.t[j];
    std::uint64_t w = x[j];
    o0 ^= tj[w & 0xFF];
    o1 ^= tj[(w >> 8) & 0xFF];
    w = rotate16(w);
    o2 ^= tj[w & 0xFF];
    o3 ^= tj[(w >> 8) & 0xFF];
    w = rotate16(w);
    o4 ^= tj[w & 0xFF];
    o5 ^= tj[(w >> 8) & 0xFF];
    w = rotate16(w);
    o6 ^= tj[w & 0xFF];
    o7 ^= tj[(w >> 8) & 0xFF];
  }
  out[0] = o0;
  out[1] = o1;
  out[2] = o2;
  out[3] = o3;
  out[4] = o4;
  out[5] = o5;
  out[6] = o6;
  out[7] = o7;
}

// h = g_N(h, m) = E(LPS(h ^ N), m) ^ h ^ m.
void compress(const LpsTables& t, std::uint64_t h[8], const std::uint64_t n[8],
              const std::uint64_t m[8]) {
  std::uint64_t k[8];
  std::uint64_t x[8];
  std::uint64_t s[8];
  for (int i = 0; i < 8; ++i) x[i] = h[i] ^ n[i];
  lps(t, x, k);
  std::memcpy(s, m, sizeof s);
  for (const std::uint64_t* c : detail::kC) {
    std::uint64_t a[8];
    std::uint64_t b[8];
    for (int i = 0; i < 8; ++i) {
      a[i] = k[i] ^ s[i];
      b[i] = k[i] ^ c[i];
    }
    lps(t, a, s);
    lps(t, b, k);
  }
  for (int i = 0; i < 8; ++i) h[i] ^= k[i] ^ s[i] ^ m[i];
}

void portable_blocks(Chain& chain, const std::uint8_t* blocks, std::size_t count) {
  const LpsTables& t = detail::lps_tables();
  for (std::size_t b = 0; b < count; ++b, blocks += kBlockSize) {
    std::uint64_t m[8];
    for (std::size_t i = 0; i < 8; ++i) m[i] = hash::bytes::load64(blocks + 8 * i);
    compress(t, chain.h, chain.counter, m);
    detail::add512(chain.counter, 512);
    detail::add512(chain.sigma, m);
  }
}

}  // namespace

namespace detail {

const EngineEntry& portable_engine() {
  static const EngineEntry entry{portable_blocks, nullptr};
  return entry;
}

}  // namespace detail

}  // namespace verolt::gost2012
