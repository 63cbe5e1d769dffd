// The 32 rounds of GOST 28147-89 on plain 32-bit integers, with the round tables (the rotation
// folded in). Several encryptions go side by side, each under its own key: the rounds of one
// form a single chain of table lookups, and with several chains in flight the processor overlaps
// them instead of waiting on each lookup in turn. The portable engine's rounds, and those of the
// AVX2 engine for one stream. Internal to the engines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "hash/gost94/linear.h"
#include "hash/gost94/tables.h"

// The rounds are written out in their caller, whose registers then hold the halves; compilers
// may otherwise make the rounds a call, and the halves go through memory.
#if defined(__GNUC__) || defined(__clang__)
#define VEROLT_ROUNDS_INLINE __attribute__((always_inline)) inline
#else
#define VEROLT_ROUNDS_INLINE inline
#endif

namespace verolt::gost94::detail {

// The round function: substitution of the four bytes and the rotation, both in the tables.
VEROLT_ROUNDS_INLINE std::uint32_t round_function(const RoundTables& r, std::uint32_t x) {
  return r.t[0][x & 0xFFu] ^ r.t[1][(x >> 8) & 0xFFu] ^ r.t[2][(x >> 16) & 0xFFu] ^ r.t[3][x >> 24];
}

// Round i of L encryptions, its key word known at compile time; key(l, j) is word j of the key
// of encryption l. An odd round changes N2 and an even round N1: the alternation replaces the
// exchange of halves.
template <std::size_t i, std::size_t L, typename Key>
VEROLT_ROUNDS_INLINE void round_at(const RoundTables& r, std::uint32_t* n1, std::uint32_t* n2,
                                   const Key& key) {
  constexpr std::size_t j = round_key_word(i);
  for (std::size_t l = 0; l < L; ++l) {
    if constexpr (i % 2 == 0) {
      n2[l] ^= round_function(r, n1[l] + key(l, j));
    } else {
      n1[l] ^= round_function(r, n2[l] + key(l, j));
    }
  }
}

template <std::size_t L, typename Key, std::size_t... i>
VEROLT_ROUNDS_INLINE void rounds(const RoundTables& r, std::uint32_t* n1, std::uint32_t* n2,
                                 const Key& key, std::index_sequence<i...>) {
  (round_at<i, L>(r, n1, n2, key), ...);
}

// The 32 rounds of L encryptions, written out. Each output block is N2 then N1.
template <std::size_t L, typename Key>
VEROLT_ROUNDS_INLINE void encrypt_side_by_side(const RoundTables& r, std::uint32_t* n1,
                                               std::uint32_t* n2, const Key& key) {
  rounds<L>(r, n1, n2, key, std::make_index_sequence<kRounds>{});
}

}  // namespace verolt::gost94::detail
