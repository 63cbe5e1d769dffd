// GOST R 34.11-2012 with a 256- or 512-bit value, for one message at a time. Pure computation: no
// I/O, no environment, no mutable process-wide state, so any number of contexts can run at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "hash/engine.h"
#include "hash/gost2012/steps.h"

namespace verolt::gost2012 {

using hash::Engine;

// The value as the function delivers it, byte 0 the least significant of h (the digits of the
// standard's examples and of every other implementation, in this order): 64
// bytes, or 32 for the 256-bit function (the rest zero).
using HashValue = std::array<std::uint8_t, 64>;

// 32 for 256 bits, 64 for 512.
constexpr std::size_t value_size(int bits) { return bits == 256 ? 32 : 64; }

// What a message has changed so far: shared by HashContext and HashLanes.
struct MessageState {
  Chain chain;
  std::uint8_t blockBuffer[kBlockSize];
  std::uint32_t bufferedCount;
  int bits;
};

// The state of a new message of the 256-bit (bits 256) or 512-bit function (any other).
MessageState start_message(int bits);

class HashContext {
 public:
  // An engine the processor lacks is replaced as hash::usable_engine replaces it.
  explicit HashContext(Engine engine);
  // A new message of the 256- or 512-bit function.
  void hash_reset(int bits);
  void hash_update(const void* data, std::size_t n);
  // Finalises into `out`; the context needs a new reset before further use.
  void hash_finish(HashValue& out);
  Engine engine() const { return engine_; }

 private:
  MessageState state_;
  Engine engine_;
};

// The hash of one piece of memory.
HashValue hash_bytes(int bits, const void* data, std::size_t n,
                     Engine engine = hash::best_engine());

}  // namespace verolt::gost2012
