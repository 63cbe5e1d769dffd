// GOST R 34.11-94 with a zero starting vector and one of three parameter sets, for one message at
// a time. Pure computation: no I/O, no environment, no mutable process-wide state, so any number
// of contexts can run at once. The engine is the caller's choice (hash::usable_engine's).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "hash/engine.h"
#include "hash/gost94/tables.h"

namespace verolt::gost94 {

using hash::Engine;

// 32 bytes, byte 0 the least significant byte of the 256-bit value.
using HashValue = std::array<std::uint8_t, 32>;

// What a message has changed so far: shared by HashContext and HashLanes.
struct MessageState {
  std::uint8_t H[32];
  std::uint8_t blockBuffer[32];
  std::uint8_t checksum[32];
  std::uint64_t byteCount;
  std::uint32_t bufferedCount;
};

// A running hash. Every hash starts with hash_reset.
class HashContext {
 public:
  using State = MessageState;

  // An engine the processor lacks is replaced as hash::usable_engine replaces it.
  explicit HashContext(Engine engine);

  // Takes the tables of the parameter set and clears the state.
  void hash_reset(int set);
  void hash_update(const void* data, std::size_t n);
  // Finalises into `out`; the context needs a new reset before further use.
  void hash_finish(HashValue& out);

  const SubstitutionTables& substitution_tables() const { return *bytes_; }
  Engine engine() const { return engine_; }
  // Lets a caller take back what a file added when reading it failed half way.
  const State& state() const { return state_; }
  void restore(const State& saved) { state_ = saved; }

 private:
  State state_;
  const SubstitutionTables* bytes_;
  const EngineTables* tables_;
  Engine engine_;
};

// The hash of one piece of memory.
HashValue hash_bytes(int set, const void* data, std::size_t n, Engine engine = hash::best_engine());

}  // namespace verolt::gost94
