#include "hash/gost94/tables.h"

#include <array>
#include <cstring>

#include "hash/bytes.h"

namespace verolt::gost94 {

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
      round.t[k][b] = hash::bytes::rotate_left(std::uint32_t{tables.t[k][b]} << (8 * k), 11);
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

namespace {

struct SetTables {
  SubstitutionTables bytes;
  EngineTables engine;
};

// Built once, on first use, and never changed after: every hash of a set shares them, so a small
// file costs no table building.
const SetTables& set_tables(int set) {
  static const std::array<SetTables, 3> kTables = [] {
    std::array<SetTables, 3> tables{};
    for (int i = 0; i < 3; ++i) {
      build_substitution_tables(parameter_set(i), tables[i].bytes);
      build_engine_tables(tables[i].bytes, tables[i].engine);
    }
    return tables;
  }();
  return kTables[set == 0 || set == 1 ? static_cast<std::size_t>(set) : 2];
}

}  // namespace

const SubstitutionTables& substitution_tables(int set) { return set_tables(set).bytes; }
const EngineTables& engine_tables(int set) { return set_tables(set).engine; }

}  // namespace verolt::gost94
