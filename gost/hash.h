// GOST R 34.11-94 with a zero starting vector and one of three parameter sets. Pure computation:
// no I/O, no allocation, no process-wide state, so any number of contexts can run at once.
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

// GOST 28147-89 encryption of one 8-byte block under a 32-byte key (simple substitution mode).
void gost_encrypt_block(const RoundTables& round, const std::uint8_t in[8],
                        const std::uint8_t key[32], std::uint8_t out[8]);
// The four 32-byte keys of one step, K1..K4 in order, into `keys` (128 bytes).
void gost_make_keys(const std::uint8_t h[32], const std::uint8_t m[32], std::uint8_t keys[128]);
// One compression step: H = f(H, M).
void gost_step(const RoundTables& round, std::uint8_t h[32], const std::uint8_t m[32]);

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

  HashContext();

  // Builds the tables of the parameter set and clears the state.
  void hash_reset(int set);
  void hash_update(const void* data, std::size_t n);
  // Finalises into `out`; the context needs a new reset before further use.
  void hash_finish(HashValue& out);

  const SubstitutionTables& substitution_tables() const { return tables_; }
  // Lets a caller take back what a file added when reading it failed half way.
  const State& state() const { return state_; }
  void restore(const State& saved) { state_ = saved; }

 private:
  void process_block(const std::uint8_t* block);

  State state_;
  SubstitutionTables tables_;
  RoundTables round_;
};

// The hash of one piece of memory.
HashValue hash_bytes(int set, const void* data, std::size_t n);

}  // namespace verolt::gost
