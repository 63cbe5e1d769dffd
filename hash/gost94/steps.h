// The step function of GOST R 34.11-94 over whole blocks: of one stream, or of several streams
// stepped together so that the latency of one stream's chain of rounds is filled with the work of
// others. Steps know blocks, not messages: hash/message.h keeps the bytes and finishes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/engine.h"
#include "hash/gost94/tables.h"

namespace verolt::gost94 {

using hash::Engine;

inline constexpr std::size_t kBlockSize = 32;

namespace detail {
struct EngineEntry;
}  // namespace detail

// The table's entry of an engine hash::usable_engine has let through; looked up once by whoever
// steps with it.
const detail::EngineEntry& engine_entry(Engine engine);

// `count` steps of one stream over consecutive 32-byte blocks; each block is first added to
// `checksum` unless that is null.
void gost_steps(const detail::EngineEntry& engine, const EngineTables& tables, std::uint8_t h[32],
                std::uint8_t* checksum, const std::uint8_t* blocks, std::size_t count);

// One stream in flight among several. The caller owns all the memory it points to.
struct Stream {
  std::uint8_t* h;             // chaining value, 32 bytes
  std::uint8_t* checksum;      // 32 bytes; null: the blocks are not added to a checksum
  const std::uint8_t* blocks;  // the next block to step
  std::size_t count;           // blocks ready at `blocks`; 0: the stream is idle
};

// The number of streams the engine steps together at its best; more are stepped in turn.
std::size_t engine_streams(const detail::EngineEntry& engine);

// Steps every stream of `streams[0..n)` that has blocks ready by the same number of blocks, the
// fewest that any of them has ready, so that at least one of them runs dry: its `blocks` and
// `count` advance (to count 0), and so do the others'. Idle streams are left alone. Returns the
// number of blocks each active stream was stepped by (0 when none was active).
std::size_t gost_steps_streams(const detail::EngineEntry& engine, const EngineTables& tables,
                               Stream* streams, std::size_t n);

}  // namespace verolt::gost94
