#include "gost/hash.h"

#include <cstdlib>
#include <cstring>

namespace verolt::gost {

namespace {

// Row r is node K(r+1) of the cipher and substitutes bits 4r..4r+3 of the round value.
constexpr ParameterSet kTestSet = {{
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
}};

constexpr ParameterSet kSet1 = {{
    {8, 7, 3, 12, 14, 13, 2, 0, 11, 10, 4, 1, 5, 15, 9, 6},
    {12, 8, 9, 13, 3, 4, 1, 5, 7, 6, 2, 15, 10, 0, 11, 14},
    {10, 5, 12, 8, 13, 2, 1, 9, 11, 7, 14, 15, 0, 3, 6, 4},
    {10, 12, 11, 0, 6, 2, 14, 8, 15, 5, 7, 13, 3, 9, 4, 1},
    {5, 3, 15, 14, 10, 0, 11, 8, 7, 1, 13, 9, 2, 4, 12, 6},
    {3, 9, 4, 0, 14, 7, 8, 15, 5, 13, 6, 10, 11, 2, 1, 12},
    {9, 4, 0, 15, 7, 13, 10, 11, 2, 3, 5, 6, 14, 1, 12, 8},
    {3, 6, 10, 14, 2, 11, 1, 9, 13, 12, 8, 15, 4, 5, 0, 7},
}};

constexpr ParameterSet kCryptoProSet = {{
    {10, 4, 5, 6, 8, 1, 3, 7, 13, 12, 14, 0, 9, 2, 11, 15},
    {5, 15, 4, 0, 2, 13, 11, 9, 1, 7, 6, 3, 12, 14, 10, 8},
    {7, 15, 12, 14, 9, 4, 1, 0, 3, 11, 5, 2, 6, 10, 8, 13},
    {4, 10, 7, 12, 0, 15, 2, 8, 14, 1, 6, 5, 13, 11, 9, 3},
    {7, 6, 4, 11, 9, 12, 2, 10, 1, 8, 0, 14, 15, 13, 3, 5},
    {7, 6, 2, 4, 13, 9, 15, 0, 10, 1, 5, 11, 8, 14, 12, 3},
    {13, 14, 4, 1, 7, 0, 5, 10, 3, 12, 8, 15, 6, 2, 9, 11},
    {1, 3, 10, 9, 5, 11, 4, 15, 8, 6, 7, 14, 13, 0, 2, 12},
}};

// C3 of key generation (bytes 00 FF 00 FF 00 FF 00 FF FF 00 FF 00 ... 00 FF, least significant
// first) as its four little-endian 64-bit quarters.
constexpr std::uint64_t kC3[4] = {0xFF00FF00FF00FF00u, 0x00FF00FF00FF00FFu, 0xFF0000FF00FFFF00u,
                                  0xFF00FFFF000000FFu};

// All values are little-endian in memory whatever the host; memcpy keeps the loads free of
// alignment and aliasing assumptions, and compilers turn it into one move.
#if defined(__BYTE_ORDER__) && defined(__ORDER_BIG_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kBigEndianHost = true;
#else
constexpr bool kBigEndianHost = false;
#endif

inline std::uint32_t swap32(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

inline std::uint64_t swap64(std::uint64_t v) {
  return (std::uint64_t{swap32(static_cast<std::uint32_t>(v))} << 32) |
         swap32(static_cast<std::uint32_t>(v >> 32));
}

inline std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return kBigEndianHost ? swap32(v) : v;
}

inline std::uint64_t load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return kBigEndianHost ? swap64(v) : v;
}

inline void store32(std::uint8_t* p, std::uint32_t v) {
  if (kBigEndianHost) v = swap32(v);
  std::memcpy(p, &v, sizeof v);
}

inline void store64(std::uint8_t* p, std::uint64_t v) {
  if (kBigEndianHost) v = swap64(v);
  std::memcpy(p, &v, sizeof v);
}

inline std::uint32_t rotate_left(std::uint32_t v, unsigned n) { return (v << n) | (v >> (32 - n)); }

// The round function: substitution of the four bytes and the rotation, both in the tables.
inline std::uint32_t f(const RoundTables& r, std::uint32_t x) {
  return r.t[0][x & 0xFFu] ^ r.t[1][(x >> 8) & 0xFFu] ^ r.t[2][(x >> 16) & 0xFFu] ^ r.t[3][x >> 24];
}

// Blocks encrypted together, each under its own key. The rounds of one block form a single
// chain of table lookups; with several independent blocks in flight the processor overlaps the
// chains instead of waiting on each lookup in turn.
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

// An odd round changes N2 and an even round N1; the alternation replaces the exchange of halves.
template <unsigned L>
inline void odd_round(const RoundTables& r, Lanes<L>& x, std::size_t j) {
  for (std::size_t l = 0; l < L; ++l) x.n2[l] ^= f(r, x.n1[l] + x.k[l][j]);
}

template <unsigned L>
inline void even_round(const RoundTables& r, Lanes<L>& x, std::size_t j) {
  for (std::size_t l = 0; l < L; ++l) x.n1[l] ^= f(r, x.n2[l] + x.k[l][j]);
}

// The 32 rounds: key words 0..7 three times, then 7..0. The output block is N2 then N1.
template <unsigned L>
inline void encrypt_lanes(const RoundTables& r, Lanes<L>& x) {
  odd_round(r, x, 0);
  even_round(r, x, 1);
  odd_round(r, x, 2);
  even_round(r, x, 3);
  odd_round(r, x, 4);
  even_round(r, x, 5);
  odd_round(r, x, 6);
  even_round(r, x, 7);

  odd_round(r, x, 0);
  even_round(r, x, 1);
  odd_round(r, x, 2);
  even_round(r, x, 3);
  odd_round(r, x, 4);
  even_round(r, x, 5);
  odd_round(r, x, 6);
  even_round(r, x, 7);

  odd_round(r, x, 0);
  even_round(r, x, 1);
  odd_round(r, x, 2);
  even_round(r, x, 3);
  odd_round(r, x, 4);
  even_round(r, x, 5);
  odd_round(r, x, 6);
  even_round(r, x, 7);

  odd_round(r, x, 7);
  even_round(r, x, 6);
  odd_round(r, x, 5);
  even_round(r, x, 4);
  odd_round(r, x, 3);
  even_round(r, x, 2);
  odd_round(r, x, 1);
  even_round(r, x, 0);
}

// P: output byte i + 4k is input byte 8i + k, so key word k gathers byte k of y0..y3: a 4 x 8
// byte transpose. It is done as two rounds of interleaving with masks, bytes of y0/y1 and y2/y3
// first, then the byte pairs of both.
inline void write_key(std::uint8_t key[32], std::uint64_t y0, std::uint64_t y1, std::uint64_t y2,
                      std::uint64_t y3) {
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
  store32(key, static_cast<std::uint32_t>(w04));
  store32(key + 4, static_cast<std::uint32_t>(w15));
  store32(key + 8, static_cast<std::uint32_t>(w26));
  store32(key + 12, static_cast<std::uint32_t>(w37));
  store32(key + 16, static_cast<std::uint32_t>(w04 >> 32));
  store32(key + 20, static_cast<std::uint32_t>(w15 >> 32));
  store32(key + 24, static_cast<std::uint32_t>(w26 >> 32));
  store32(key + 28, static_cast<std::uint32_t>(w37 >> 32));
}

}  // namespace

const ParameterSet& parameter_set(int set) {
  switch (set) {
    case 0:
      return kTestSet;
    case 1:
      return kSet1;
    default:
      return kCryptoProSet;
  }
}

void build_substitution_tables(const ParameterSet& set, SubstitutionTables& tables) {
  for (std::size_t k = 0; k < 4; ++k) {
    // Local copies of the two rows: the tables are bytes as well, so without them the compiler
    // would reload the rows after every byte written.
    std::uint8_t low[16];
    std::uint8_t high[16];
    std::memcpy(low, set.rows[2 * k], sizeof low);
    std::memcpy(high, set.rows[2 * k + 1], sizeof high);
    for (std::size_t hi = 0; hi < 16; ++hi) {
      for (std::size_t lo = 0; lo < 16; ++lo) {
        tables.t[k][16 * hi + lo] = static_cast<std::uint8_t>(16 * high[hi] + low[lo]);
      }
    }
  }
}

void build_round_tables(const SubstitutionTables& tables, RoundTables& round) {
  for (std::size_t k = 0; k < 4; ++k) {
    for (std::size_t b = 0; b < 256; ++b) {
      round.t[k][b] = rotate_left(std::uint32_t{tables.t[k][b]} << (8 * k), 11);
    }
  }
}

void build_nibble_tables(const SubstitutionTables& tables, NibbleTables& nibbles) {
  // Byte x of Tk with a zero high nibble carries row 2k of x; byte 16x carries row 2k + 1 of x,
  // already in the high nibble.
  for (std::size_t k = 0; k < 4; ++k) {
    for (std::size_t x = 0; x < 16; ++x) {
      nibbles.low[16 * k + x] = static_cast<std::uint8_t>(tables.t[k][x] & 0x0Fu);
      nibbles.high[16 * k + x] = static_cast<std::uint8_t>(tables.t[k][16 * x] & 0xF0u);
    }
  }
}

void build_engine_tables(const SubstitutionTables& tables, EngineTables& engine) {
  build_round_tables(tables, engine.round);
  build_nibble_tables(tables, engine.nibbles);
}

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

void gost_make_keys(const std::uint8_t h[32], const std::uint8_t m[32], std::uint8_t keys[128]) {
  // A shifts the quarters down and appends y1 ^ y2, so its powers are windows of one growing
  // sequence: A^j(Y) = w[j..j+3].
  std::uint64_t w[10];
  for (std::size_t i = 0; i < 4; ++i) w[i] = load64(m + 8 * i);
  for (std::size_t k = 0; k < 6; ++k) w[k + 4] = w[k] ^ w[k + 1];

  std::uint64_t u[7];
  for (std::size_t i = 0; i < 4; ++i) u[i] = load64(h + 8 * i);
  u[4] = u[0] ^ u[1];
  u[5] = u[1] ^ u[2];

  write_key(keys, u[0] ^ w[0], u[1] ^ w[1], u[2] ^ w[2], u[3] ^ w[3]);
  write_key(keys + 32, u[1] ^ w[2], u[2] ^ w[3], u[3] ^ w[4], u[4] ^ w[5]);
  // C3 enters U once; the fourth key's U is A of this changed value.
  for (std::size_t i = 0; i < 4; ++i) u[i + 2] ^= kC3[i];
  write_key(keys + 64, u[2] ^ w[4], u[3] ^ w[5], u[4] ^ w[6], u[5] ^ w[7]);
  u[6] = u[2] ^ u[3];
  write_key(keys + 96, u[3] ^ w[6], u[4] ^ w[7], u[5] ^ w[8], u[6] ^ w[9]);
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

  // psi moves the 16-bit words down and appends one new word, so its powers are windows of one
  // growing sequence too: psi^n(Y) = w[n..n+15]. The words are held in 32-bit slots.
  std::uint32_t w[90];
  for (std::size_t i = 0; i < 4; ++i) {
    w[4 * i] = x.n2[i] & 0xFFFFu;
    w[4 * i + 1] = x.n2[i] >> 16;
    w[4 * i + 2] = x.n1[i] & 0xFFFFu;
    w[4 * i + 3] = x.n1[i] >> 16;
  }

  // psi^12(S)
  w[16] = w[0] ^ w[1] ^ w[2] ^ w[3] ^ w[12] ^ w[15];
  w[17] = w[1] ^ w[2] ^ w[3] ^ w[4] ^ w[13] ^ w[16];
  w[18] = w[2] ^ w[3] ^ w[4] ^ w[5] ^ w[14] ^ w[17];
  w[19] = w[3] ^ w[4] ^ w[5] ^ w[6] ^ w[15] ^ w[18];
  w[20] = w[4] ^ w[5] ^ w[6] ^ w[7] ^ w[16] ^ w[19];
  w[21] = w[5] ^ w[6] ^ w[7] ^ w[8] ^ w[17] ^ w[20];
  w[22] = w[6] ^ w[7] ^ w[8] ^ w[9] ^ w[18] ^ w[21];
  w[23] = w[7] ^ w[8] ^ w[9] ^ w[10] ^ w[19] ^ w[22];
  w[24] = w[8] ^ w[9] ^ w[10] ^ w[11] ^ w[20] ^ w[23];
  w[25] = w[9] ^ w[10] ^ w[11] ^ w[12] ^ w[21] ^ w[24];
  w[26] = w[10] ^ w[11] ^ w[12] ^ w[13] ^ w[22] ^ w[25];
  w[27] = w[11] ^ w[12] ^ w[13] ^ w[14] ^ w[23] ^ w[26];

  // psi(M ^ psi^12(S))
  for (std::size_t i = 0; i < 16; ++i) {
    w[12 + i] ^= std::uint32_t{m[2 * i]} | (std::uint32_t{m[2 * i + 1]} << 8);
  }
  w[28] = w[12] ^ w[13] ^ w[14] ^ w[15] ^ w[24] ^ w[27];

  // psi^61(H ^ psi(M ^ psi^12(S))). Each new word needs the one just made, so that one stays in
  // a register rather than going through the scratch.
  for (std::size_t i = 0; i < 16; ++i) {
    w[13 + i] ^= std::uint32_t{h[2 * i]} | (std::uint32_t{h[2 * i + 1]} << 8);
  }
  std::uint32_t last = w[28];
  for (std::size_t j = 13; j < 74; ++j) {
    last ^= w[j] ^ w[j + 1] ^ w[j + 2] ^ w[j + 3] ^ w[j + 12];
    w[j + 16] = last;
  }

  for (std::size_t i = 0; i < 16; ++i) {
    h[2 * i] = static_cast<std::uint8_t>(w[74 + i]);
    h[2 * i + 1] = static_cast<std::uint8_t>(w[74 + i] >> 8);
  }
}

bool engine_supported(Engine engine) {
  switch (engine) {
    case Engine::portable:
      return true;
    case Engine::avx512:
      return detail::avx512_steps() != nullptr;
  }
  return false;
}

Engine default_engine() {
  const char* chosen = std::getenv("VEROLT_ENGINE");  // NOLINT(concurrency-mt-unsafe): only read
  if (chosen != nullptr && std::strcmp(chosen, "portable") == 0) return Engine::portable;
  return engine_supported(Engine::avx512) ? Engine::avx512 : Engine::portable;
}

const char* engine_name(Engine engine) { return engine == Engine::avx512 ? "avx512" : "portable"; }

void gost_steps(Engine engine, const EngineTables& tables, std::uint8_t h[32],
                std::uint8_t* checksum, const std::uint8_t* blocks, std::size_t count) {
  if (engine == Engine::avx512) {
    if (const detail::StepsFunction steps = detail::avx512_steps()) {
      steps(tables.nibbles, h, checksum, blocks, count);
      return;
    }
  }
  for (std::size_t b = 0; b < count; ++b) {
    const std::uint8_t* block = blocks + kBlockSize * b;
    if (checksum != nullptr) {
      // The checksum is the 256-bit sum of the blocks; the carry out of the top word is dropped.
      std::uint64_t carry = 0;
      for (std::size_t i = 0; i < 8; ++i) {
        const std::uint64_t sum =
            std::uint64_t{load32(checksum + 4 * i)} + load32(block + 4 * i) + carry;
        store32(checksum + 4 * i, static_cast<std::uint32_t>(sum));
        carry = sum >> 32;
      }
    }
    gost_step(tables.round, h, block);
  }
}

HashContext::HashContext() : HashContext(default_engine()) {}

HashContext::HashContext(Engine engine)
    : state_(),
      tables_(),
      engineTables_(),
      engine_(engine_supported(engine) ? engine : Engine::portable) {
  hash_reset(2);
}

void HashContext::hash_reset(int set) {
  build_substitution_tables(parameter_set(set), tables_);
  // Only the tables of the engine in use; the vector engine's are a fraction of the portable
  // one's, which matters for small files.
  if (engine_ == Engine::portable) build_round_tables(tables_, engineTables_.round);
  build_nibble_tables(tables_, engineTables_.nibbles);
  state_ = State();
}

void HashContext::hash_update(const void* data, std::size_t n) {
  if (n == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  state_.byteCount += n;

  if (state_.bufferedCount > 0) {
    const std::size_t room = kBlockSize - state_.bufferedCount;
    if (n < room) {
      std::memcpy(state_.blockBuffer + state_.bufferedCount, p, n);
      state_.bufferedCount += static_cast<std::uint32_t>(n);
      return;
    }
    std::memcpy(state_.blockBuffer + state_.bufferedCount, p, room);
    state_.bufferedCount = 0;
    gost_steps(engine_, engineTables_, state_.H, state_.checksum, state_.blockBuffer, 1);
    p += room;
    n -= room;
  }

  // Whole blocks are hashed where they lie, all in one run of the engine.
  const std::size_t whole = n / kBlockSize;
  gost_steps(engine_, engineTables_, state_.H, state_.checksum, p, whole);
  p += kBlockSize * whole;
  n -= kBlockSize * whole;

  if (n > 0) std::memcpy(state_.blockBuffer, p, n);
  state_.bufferedCount = static_cast<std::uint32_t>(n);
}

void HashContext::hash_finish(HashValue& out) {
  if (state_.bufferedCount > 0) {
    // The last partial block is padded with zeros at its high end.
    std::memset(state_.blockBuffer + state_.bufferedCount, 0, kBlockSize - state_.bufferedCount);
    gost_steps(engine_, engineTables_, state_.H, state_.checksum, state_.blockBuffer, 1);
  }

  // The length in bits, modulo 2^64; it is not part of the checksum.
  std::memset(state_.blockBuffer, 0, kBlockSize);
  store64(state_.blockBuffer, state_.byteCount * 8);
  gost_steps(engine_, engineTables_, state_.H, nullptr, state_.blockBuffer, 1);
  gost_steps(engine_, engineTables_, state_.H, nullptr, state_.checksum, 1);

  std::memcpy(out.data(), state_.H, kBlockSize);
}

HashValue hash_bytes(int set, const void* data, std::size_t n) {
  HashContext context;
  context.hash_reset(set);
  context.hash_update(data, n);
  HashValue out{};
  context.hash_finish(out);
  return out;
}

}  // namespace verolt::gost
