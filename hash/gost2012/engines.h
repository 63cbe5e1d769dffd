// The engines of GOST R 34.11-2012, one file each, behind one table that is resolved once:
//
//   engine_portable.cpp  everywhere: S, P and L of each byte in one table lookup; the reference
//                        every other engine is tested against
//   engine_avx512.cpp    x86-64 with AVX-512 VBMI and GFNI: S with byte permutations, L as
//                        GF(2) matrix products on all 64 bytes at once
//   engine_table.cpp     the table, and the stepping of one stream or of several
//
// AVX2 without those instructions has nothing faster than the table lookups, so its entry is the
// portable one. Only the engines and the table include this header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/gost2012/steps.h"

namespace verolt::gost2012::detail {

struct EngineEntry {
  // compress_blocks of one stream.
  void (*blocks)(Chain& chain, const std::uint8_t* blocks, std::size_t count);
  // Two streams by `count` blocks each, interleaved so that one fills the other's latency;
  // null where the engine gains nothing by it.
  void (*pair)(Chain& a, const std::uint8_t* aBlocks, Chain& b, const std::uint8_t* bBlocks,
               std::size_t count);
};

const EngineEntry& portable_engine();
// Null where the compiler lacks the instructions.
const EngineEntry* avx512_engine();

}  // namespace verolt::gost2012::detail
