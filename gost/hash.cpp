// The running hash: bytes into whole blocks for the engine, and the finalisation.
#include "gost/hash.h"

#include <cstring>

#include "gost/bytes.h"

namespace verolt::gost {

HashContext::HashContext() : HashContext(default_engine()) {}

HashContext::HashContext(Engine engine)
    : state_(),
      tables_(),
      engineTables_(),
      engine_(engine_supported(engine) ? engine : best_engine()) {
  hash_reset(2);
}

void HashContext::hash_reset(int set) {
  build_substitution_tables(parameter_set(set), tables_);
  // Only the tables of the engine in use; the vector engines' are a fraction of the portable
  // one's, which matters for small files.
  if (engine_ != Engine::avx512) build_round_tables(tables_, engineTables_.round);
  if (engine_ != Engine::portable) build_nibble_tables(tables_, engineTables_.nibbles);
  state_ = State();
}

void HashContext::hash_update(const void* data, std::size_t n) {
  if (n == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  state_.byteCount += n;

  if (state_.bufferedCount > 0) {
    const std::size_t room = kBlockSize - state_.bufferedCount;
    if (n < room) {
      std::memcpy(state_.blockBuffer + state_.bufferedCount, p, n);
      state_.bufferedCount += static_cast<std::uint32_t>(n);
      return;
    }
    std::memcpy(state_.blockBuffer + state_.bufferedCount, p, room);
    state_.bufferedCount = 0;
    gost_steps(engine_, engineTables_, state_.H, state_.checksum, state_.blockBuffer, 1);
    p += room;
    n -= room;
  }

  // Whole blocks are hashed where they lie, all in one run of the engine.
  const std::size_t whole = n / kBlockSize;
  gost_steps(engine_, engineTables_, state_.H, state_.checksum, p, whole);
  p += kBlockSize * whole;
  n -= kBlockSize * whole;

  if (n > 0) std::memcpy(state_.blockBuffer, p, n);
  state_.bufferedCount = static_cast<std::uint32_t>(n);
}

void HashContext::hash_finish(HashValue& out) {
  if (state_.bufferedCount > 0) {
    // The last partial block is padded with zeros at its high end.
    std::memset(state_.blockBuffer + state_.bufferedCount, 0, kBlockSize - state_.bufferedCount);
    gost_steps(engine_, engineTables_, state_.H, state_.checksum, state_.blockBuffer, 1);
  }

  // The length in bits, modulo 2^64; it is not part of the checksum.
  std::memset(state_.blockBuffer, 0, kBlockSize);
  bytes::store64(state_.blockBuffer, state_.byteCount * 8);
  gost_steps(engine_, engineTables_, state_.H, nullptr, state_.blockBuffer, 1);
  gost_steps(engine_, engineTables_, state_.H, nullptr, state_.checksum, 1);

  std::memcpy(out.data(), state_.H, kBlockSize);
}

HashValue hash_bytes(int set, const void* data, std::size_t n) {
  HashContext context;
  context.hash_reset(set);
  context.hash_update(data, n);
  HashValue out{};
  context.hash_finish(out);
  return out;
}

}  // namespace verolt::gost
