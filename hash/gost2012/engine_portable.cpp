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

inline std::uint64_t lps_word(const LpsTables& t, const std::uint64_t x[8], int i) {
  const int shift = 8 * i;
  return t.t[0][(x[0] >> shift) & 0xFF] ^ t.t[1][(x[1] >> shift) & 0xFF] ^
         t.t[2][(x[2] >> shift) & 0xFF] ^ t.t[3][(x[3] >> shift) & 0xFF] ^
         t.t[4][(x[4] >> shift) & 0xFF] ^ t.t[5][(x[5] >> shift) & 0xFF] ^
         t.t[6][(x[6] >> shift) & 0xFF] ^ t.t[7][(x[7] >> shift) & 0xFF];
}

inline void lps(const LpsTables& t, const std::uint64_t x[8], std::uint64_t out[8]) {
  for (int i = 0; i < 8; ++i) out[i] = lps_word(t, x, i);
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
  for (const auto& c : detail::kC) {
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
    for (int i = 0; i < 8; ++i) m[i] = hash::bytes::load64(blocks + 8 * i);
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
