// The parameter sets of the hash and the lookup tables the engines build from them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace verolt::gost94 {

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

// The tables of parameter set `set` (numbered as parameter_set numbers them), built once and
// shared by every hash of that set.
const SubstitutionTables& substitution_tables(int set);
const EngineTables& engine_tables(int set);

}  // namespace verolt::gost94
