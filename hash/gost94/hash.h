// GOST R 34.11-94 with a zero starting vector and one of three parameter sets, as hash/message.h
// hashes messages. Pure computation: no I/O, no environment, no mutable process-wide state, so
// any number of contexts and lanes can run at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "hash/gost94/steps.h"
#include "hash/gost94/tables.h"
#include "hash/message.h"

namespace verolt::gost94 {

// 32 bytes, byte 0 the least significant byte of the 256-bit value.
using HashValue = std::array<std::uint8_t, 32>;

// The function for hash/message.h; the variant is the parameter set.
struct Description {
  static constexpr std::size_t kBlockSize = gost94::kBlockSize;
  using Value = HashValue;
  struct Chain {
    std::uint8_t h[32];
    std::uint8_t checksum[32];
  };
  using Entry = detail::EngineEntry;
  using Params = const EngineTables*;
  using Stream = gost94::Stream;

  static const Entry& entry(Engine engine) { return engine_entry(engine); }
  static Params params(int set) { return &engine_tables(set); }
  static Chain start(Params /*tables*/) { return {}; }
  static void steps(const Entry& entry, Params tables, Chain& chain, const std::uint8_t* blocks,
                    std::size_t count) {
    gost_steps(entry, *tables, chain.h, chain.checksum, blocks, count);
  }
  static Stream stream(Chain& chain) { return {chain.h, chain.checksum, nullptr, 0}; }
  static std::size_t streams(const Entry& entry) { return engine_streams(entry); }
  static void step_streams(const Entry& entry, Params tables, Stream* streams, std::size_t n) {
    gost_steps_streams(entry, *tables, streams, n);
  }
  static void finish(const Entry& entry, Params tables, Chain& chain, std::uint8_t* block,
                     std::size_t buffered, std::uint64_t bytes, Value& out);
};

using HashContext = hash::MessageContext<Description>;
using HashLanes = hash::MessageLanes<Description>;

}  // namespace verolt::gost94

extern template class verolt::hash::MessageContext<verolt::gost94::Description>;
extern template class verolt::hash::MessageLanes<verolt::gost94::Description>;
