// The pieces of the portable engine's step, open to tests that check each on its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/gost94/tables.h"

namespace verolt::gost94 {

// GOST 28147-89 encryption of one 8-byte block under a 32-byte key (simple substitution mode).
void gost_encrypt_block(const RoundTables& round, const std::uint8_t in[8],
                        const std::uint8_t key[32], std::uint8_t out[8]);
// The four 32-byte keys of one step, K1..K4 in order, into `keys` (128 bytes).
void gost_make_keys(const std::uint8_t h[32], const std::uint8_t m[32], std::uint8_t keys[128]);
// One compression step: H = f(H, M).
void gost_step(const RoundTables& round, std::uint8_t h[32], const std::uint8_t m[32]);

}  // namespace verolt::gost94

namespace verolt::gost94::detail {

// gost_make_keys laid out by word for the vector engines: word j of key i (0..3) goes to
// keys + 32 * j + 4 * i, so that two streams' keys 16 bytes apart make one register per word.
void make_keys_by_word(const std::uint8_t h[32], const std::uint8_t m[32], std::uint8_t* keys);

}  // namespace verolt::gost94::detail
