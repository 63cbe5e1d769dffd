// The engines that compute the step function, and the one place that chooses among them.
//
// Every engine offers two ways in: the steps of one stream, and several independent streams
// stepped together, so that the latency of one stream's chain of rounds is filled with the work
// of others. Engines know blocks, not files: a caller keeps the streams' bytes and finishes them.
//
//   engine_portable.cpp  everywhere; the reference every other engine is tested against
//   engine_avx2.cpp      x86-64 with AVX2 (nibble substitution with byte shuffles)
//   engine_avx512.cpp    x86-64 with AVX-512 F, BW, VL and VBMI (nibble substitution with vpermb)
//   engine_select.cpp    what the processor and the system can run, and VEROLT_ENGINE
#pragma once

#include <cstddef>
#include <cstdint>

#include "gost/tables.h"

namespace verolt::gost {

inline constexpr std::size_t kBlockSize = 32;

// All engines give the same values.
enum class Engine { portable, avx2, avx512 };

// The processor has the instructions and the system saves the registers they use.
bool engine_supported(Engine engine);
// The fastest engine the processor can run.
Engine best_engine();
// The engine VEROLT_ENGINE names, or best_engine() when it is not set or empty. A name that is
// unknown or that the processor cannot run gives best_engine(), and one line on standard error says
// so the first time.
Engine default_engine();
// "portable", "avx2" or "avx512".
const char* engine_name(Engine engine);

// `count` steps of one stream over consecutive 32-byte blocks; each block is first added to
// `checksum` unless that is null. An engine the processor lacks is replaced by best_engine().
void gost_steps(Engine engine, const EngineTables& tables, std::uint8_t h[32],
                std::uint8_t* checksum, const std::uint8_t* blocks, std::size_t count);

// One stream in flight among several. The caller owns all the memory it points to.
struct Stream {
  std::uint8_t* h;             // chaining value, 32 bytes
  std::uint8_t* checksum;      // 32 bytes; null: the blocks are not added to a checksum
  const std::uint8_t* blocks;  // the next block to step
  std::size_t count;           // blocks ready at `blocks`; 0: the stream is idle
};

// The number of streams the engine steps together at its best; more are stepped in turn.
std::size_t engine_streams(Engine engine);

// Steps every stream of `streams[0..n)` that has blocks ready by the same number of blocks, the
// fewest that any of them has ready, so that at least one of them runs dry: its `blocks` and
// `count` advance (to count 0), and so do the others'. Idle streams are left alone. Returns the
// number of blocks each active stream was stepped by (0 when none was active).
std::size_t gost_steps_streams(Engine engine, const EngineTables& tables, Stream* streams,
                               std::size_t n);

namespace detail {

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
};

// What the processor offers and the system saves (engine_select.cpp).
bool processor_has_avx2();
bool processor_has_avx512();

const EngineEntry& portable_engine();
// Null where the compiler or the processor lacks the instructions.
const EngineEntry* avx2_engine();
const EngineEntry* avx512_engine();

}  // namespace detail

}  // namespace verolt::gost
