// GOST R 34.11-94 with a zero starting vector and one of three parameter sets. Pure computation:
// no I/O, no allocation, no mutable process-wide state, so any number of contexts can run at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "gost/engine_portable.h"
#include "gost/engines.h"
#include "gost/tables.h"

namespace verolt::gost {

// 32 bytes, byte 0 the least significant byte of the 256-bit value.
using HashValue = std::array<std::uint8_t, 32>;

// A running hash. Every hash starts with hash_reset.
class HashContext {
 public:
  // The part of the context that data changes; tables stay as the reset built them.
  struct State {
    std::uint8_t H[32];
    std::uint8_t blockBuffer[32];
    std::uint8_t checksum[32];
    std::uint64_t byteCount;
    std::uint32_t bufferedCount;
  };

  HashContext();  // with default_engine()
  // An engine the processor lacks is replaced by best_engine().
  explicit HashContext(Engine engine);

  // Builds the tables of the parameter set and clears the state.
  void hash_reset(int set);
  void hash_update(const void* data, std::size_t n);
  // Finalises into `out`; the context needs a new reset before further use.
  void hash_finish(HashValue& out);

  const SubstitutionTables& substitution_tables() const { return tables_; }
  Engine engine() const { return engine_; }
  // Lets a caller take back what a file added when reading it failed half way.
  const State& state() const { return state_; }
  void restore(const State& saved) { state_ = saved; }

 private:
  State state_;
  SubstitutionTables tables_;
  EngineTables engineTables_;
  Engine engine_;
};

// The hash of one piece of memory.
HashValue hash_bytes(int set, const void* data, std::size_t n);

}  // namespace verolt::gost
