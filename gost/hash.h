// GOST R 34.11-94 with a zero starting vector and one of three parameter sets. Pure computation:
// no I/O, no allocation, no mutable process-wide state, so any number of contexts can run at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace verolt::gost {

// 32 bytes, byte 0 the least significant byte of the 256-bit value.
using HashValue = std::array<std::uint8_t, 32>;
inline constexpr std::size_t kBlockSize = 32;

// Eight substitution nodes of 16 four-bit entries; row r substitutes bits 4r..4r+3.
struct ParameterSet {
  std::uint8_t rows[8][16];
};

// 0: the standard's test set; 1: set 1; every other number: the CryptoPro set.
const ParameterSet& parameter_set(int set);

// Four byte-wide tables; Tk serves byte k of the round value.
struct SubstitutionTables {
  std::uint8_t t[4][256];
};
void build_substitution_tables(const ParameterSet& set, SubstitutionTables& tables);

// The byte tables widened to 32 bits with the round function's rotation by 11 folded in, so a
// round is four lookups and three XORs.
struct RoundTables {
  std::uint32_t t[4][256];
};
void build_round_tables(const SubstitutionTables& tables, RoundTables& round);

// The substitution as two 64-entry tables for engines that look up nibbles: `low[16p + x]` is row
// 2p applied to x, `high[16p + x]` is row 2p + 1 applied to x, shifted into the high nibble.
struct NibbleTables {
  std::uint8_t low[64];
  std::uint8_t high[64];
};
void build_nibble_tables(const SubstitutionTables& tables, NibbleTables& nibbles);

// What every engine looks up, built from the byte tables at reset.
struct EngineTables {
  RoundTables round;
  NibbleTables nibbles;
};
void build_engine_tables(const SubstitutionTables& tables, EngineTables& engine);

// GOST 28147-89 encryption of one 8-byte block under a 32-byte key (simple substitution mode).
void gost_encrypt_block(const RoundTables& round, const std::uint8_t in[8],
                        const std::uint8_t key[32], std::uint8_t out[8]);
// The four 32-byte keys of one step, K1..K4 in order, into `keys` (128 bytes).
void gost_make_keys(const std::uint8_t h[32], const std::uint8_t m[32], std::uint8_t keys[128]);
// One compression step: H = f(H, M). This is the portable engine's step.
void gost_step(const RoundTables& round, std::uint8_t h[32], const std::uint8_t m[32]);

// Implementations of the steps. All give the same values; the portable one runs everywhere, the
// vector one only where the processor has AVX-512 with VBMI and the system saves its registers.
enum class Engine { portable, avx512 };
bool engine_supported(Engine engine);
// The fastest supported engine; VEROLT_ENGINE=portable in the environment selects the portable one.
Engine default_engine();
const char* engine_name(Engine engine);

// `count` steps over consecutive 32-byte blocks; each block is first added to `checksum` unless
// that is null. An engine the processor lacks falls back to the portable one.
void gost_steps(Engine engine, const EngineTables& tables, std::uint8_t h[32],
                std::uint8_t* checksum, const std::uint8_t* blocks, std::size_t count);

namespace detail {
using StepsFunction = void (*)(const NibbleTables& nibbles, std::uint8_t h[32],
                               std::uint8_t* checksum, const std::uint8_t* blocks,
                               std::size_t count);
// The vector engine (hash_avx512.cpp), or null where the processor or the compiler lacks it.
StepsFunction avx512_steps();
}  // namespace detail

// A running hash. Every hash starts with hash_reset.
class HashContext {
 public:
  // The part of the context that data changes; tables stay as the reset built them.
  struct State {
    std::uint8_t H[32];
    std::uint8_t blockBuffer[32];
    std::uint8_t checksum[32];
    std::uint64_t byteCount;
    std::uint32_t bufferedCount;
  };

  HashContext();  // with default_engine()
  explicit HashContext(Engine engine);

  // Builds the tables of the parameter set and clears the state.
  void hash_reset(int set);
  void hash_update(const void* data, std::size_t n);
  // Finalises into `out`; the context needs a new reset before further use.
  void hash_finish(HashValue& out);

  const SubstitutionTables& substitution_tables() const { return tables_; }
  Engine engine() const { return engine_; }
  // Lets a caller take back what a file added when reading it failed half way.
  const State& state() const { return state_; }
  void restore(const State& saved) { state_ = saved; }

 private:
  State state_;
  SubstitutionTables tables_;
  EngineTables engineTables_;
  Engine engine_;
};

// The hash of one piece of memory.
HashValue hash_bytes(int set, const void* data, std::size_t n);

}  // namespace verolt::gost
