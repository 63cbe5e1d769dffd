// The engines of GOST R 34.11-94, one file each, behind one table that is resolved once:
//
//   engine_portable.cpp  everywhere; the reference every other engine is tested against
//   engine_avx2.cpp      x86-64 with AVX2: streams in pairs with nibble substitution by byte
//                        shuffles; one stream alone with scalar table rounds, whose latency is
//                        shorter, and its keys and mixing in vectors
//   engine_avx512.cpp    x86-64 with AVX-512 F, BW, VL and VBMI (nibble substitution with vpermb)
//   engine_table.cpp     the table
//   streams.cpp          the stepping of one stream, or of several in groups
//
// Only the engines and the table include this header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/gost94/steps.h"

namespace verolt::gost94::detail {

// One engine's two ways in. `groups[i]` steps exactly `unit << i` streams by `count` blocks each
// (for i below `levels`); every entry is valid (unused places hold streams whose results nobody
// reads) and nothing advances.
using GroupFunction = void (*)(const EngineTables& tables, const Stream* const* streams,
                               std::size_t count);
struct EngineEntry {
  void (*one)(const EngineTables& tables, std::uint8_t h[32], std::uint8_t* checksum,
              const std::uint8_t* blocks, std::size_t count);
  GroupFunction groups[3];
  std::size_t unit;
  std::size_t levels;
  // What a step of one block costs, relatively: `one` first, then each group. The streams of a
  // step are split where this is least, so a wide group half full beats two narrow ones when the
  // engine's wide groups cost little more than its narrow ones.
  std::uint16_t cost[4];
};

const EngineEntry& portable_engine();
// Null where the compiler lacks the instructions.
const EngineEntry* avx2_engine();
const EngineEntry* avx512_engine();

}  // namespace verolt::gost94::detail
