// The compression function of GOST R 34.11-2012 over whole 64-byte blocks, for one stream or for
// several stepped together. Steps know blocks, not messages: hash/message.h keeps the bytes and
// finishes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hash/engine.h"

namespace verolt::gost2012 {

using hash::Engine;

inline constexpr std::size_t kBlockSize = 64;

// What a message carries from block to block: the chaining value h, the number of bits hashed N
// and the sum of the blocks Sigma (both modulo 2^512), each as eight words from the least
// significant.
struct Chain {
  std::uint64_t h[8];
  std::uint64_t counter[8];
  std::uint64_t sigma[8];
};

namespace detail {
struct EngineEntry;
}  // namespace detail

// The table's entry of an engine hash::usable_engine has let through; looked up once by whoever
// steps with it.
const detail::EngineEntry& engine_entry(Engine engine);

// For each of `count` consecutive blocks: h = g_N(h, block), N += 512, Sigma += block.
void compress_blocks(const detail::EngineEntry& engine, Chain& chain, const std::uint8_t* blocks,
                     std::size_t count);

// h = g_0(h, m), the last two compressions of a message (m is N, then Sigma).
void compress_final(const detail::EngineEntry& engine, std::uint64_t h[8],
                    const std::uint64_t m[8]);

// One stream in flight among several. The caller owns the memory it points to.
struct Stream {
  Chain* chain;
  const std::uint8_t* blocks;  // the next block to step
  std::size_t count;           // blocks ready at `blocks`; 0: the stream is idle
};

// The number of streams the engine steps together at its best; more are stepped in turn.
std::size_t engine_streams(const detail::EngineEntry& engine);

// Steps every stream of `streams[0..n)` that has blocks ready by the fewest that any of them has
// ready, so that at least one runs dry; `blocks` and `count` advance. Idle streams are left alone.
// Returns the number of blocks each active stream was stepped by (0 when none was active).
std::size_t compress_streams(const detail::EngineEntry& engine, Stream* streams, std::size_t n);

}  // namespace verolt::gost2012
