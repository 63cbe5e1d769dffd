// GOST R 34.11-2012 with a 256- or 512-bit value, as hash/message.h hashes messages. Pure
// computation: no I/O, no environment, no mutable process-wide state, so any number of contexts
// and lanes can run at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "hash/gost2012/steps.h"
#include "hash/message.h"

namespace verolt::gost2012 {

// The value as the function delivers it, byte 0 the least significant of h (the digits of the
// standard's examples and of every other implementation, in this order): 64 bytes, or 32 for the
// 256-bit function (the rest zero).
using HashValue = std::array<std::uint8_t, 64>;

// 32 for 256 bits, 64 for 512.
constexpr std::size_t value_size(int bits) { return bits == 256 ? 32 : 64; }

// The function for hash/message.h; the variant is the bits of the value, 256 or (any other
// number) 512.
struct Description {
  static constexpr std::size_t kBlockSize = gost2012::kBlockSize;
  using Value = HashValue;
  using Chain = gost2012::Chain;
  using Entry = detail::EngineEntry;
  using Params = int;
  using Stream = gost2012::Stream;

  static const Entry& entry(Engine engine) { return engine_entry(engine); }
  static Params params(int bits) { return bits == 256 ? 256 : 512; }
  static Chain start(Params bits);
  static void steps(const Entry& entry, Params /*bits*/, Chain& chain, const std::uint8_t* blocks,
                    std::size_t count) {
    compress_blocks(entry, chain, blocks, count);
  }
  static Stream stream(Chain& chain) { return {&chain, nullptr, 0}; }
  static std::size_t streams(const Entry& entry) { return engine_streams(entry); }
  static void step_streams(const Entry& entry, Params /*bits*/, Stream* streams, std::size_t n) {
    compress_streams(entry, streams, n);
  }
  static void finish(const Entry& entry, Params bits, Chain& chain, std::uint8_t* block,
                     std::size_t buffered, std::uint64_t bytes, Value& out);
};

using HashContext = hash::MessageContext<Description>;
using HashLanes = hash::MessageLanes<Description>;

}  // namespace verolt::gost2012

extern template class verolt::hash::MessageContext<verolt::gost2012::Description>;
extern template class verolt::hash::MessageLanes<verolt::gost2012::Description>;
