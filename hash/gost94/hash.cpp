// The running hash of one message: bytes into whole blocks for the engine, and the finalisation.
#include "hash/gost94/hash.h"

#include <cstring>

#include "hash/bytes.h"
#include "hash/gost94/message.h"
#include "hash/gost94/steps.h"

namespace verolt::gost94 {

namespace detail {

std::size_t complete_block(Engine engine, const EngineTables& tables, MessageState& s,
                           const std::uint8_t* p, std::size_t n) {
  const std::size_t room = kBlockSize - s.bufferedCount;
  const std::size_t taken = n < room ? n : room;
  std::memcpy(s.blockBuffer + s.bufferedCount, p, taken);
  s.bufferedCount += static_cast<std::uint32_t>(taken);
  if (s.bufferedCount == kBlockSize) {
    gost_steps(engine, tables, s.H, s.checksum, s.blockBuffer, 1);
    s.bufferedCount = 0;
  }
  return taken;
}

void keep_tail(MessageState& s, const std::uint8_t* p, std::size_t n) {
  if (n > 0) std::memcpy(s.blockBuffer, p, n);
  s.bufferedCount = static_cast<std::uint32_t>(n);
}

void finish_message(Engine engine, const EngineTables& tables, MessageState& s, HashValue& out) {
  if (s.bufferedCount > 0) {
    // The last partial block is padded with zeros at its high end.
    std::memset(s.blockBuffer + s.bufferedCount, 0, kBlockSize - s.bufferedCount);
    gost_steps(engine, tables, s.H, s.checksum, s.blockBuffer, 1);
  }
  // The length in bits, modulo 2^64; it is not part of the checksum.
  std::uint8_t length[kBlockSize] = {};
  hash::bytes::store64(length, s.byteCount * 8);
  gost_steps(engine, tables, s.H, nullptr, length, 1);
  gost_steps(engine, tables, s.H, nullptr, s.checksum, 1);
  std::memcpy(out.data(), s.H, kBlockSize);
}

}  // namespace detail

HashContext::HashContext(Engine engine)
    : state_(),
      bytes_(&gost94::substitution_tables(2)),
      tables_(&engine_tables(2)),
      engine_(hash::usable_engine(engine)) {}

void HashContext::hash_reset(int set) {
  bytes_ = &gost94::substitution_tables(set);
  tables_ = &engine_tables(set);
  state_ = State();
}

void HashContext::hash_update(const void* data, std::size_t n) {
  if (n == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  state_.byteCount += n;
  if (state_.bufferedCount > 0) {
    const std::size_t taken = detail::complete_block(engine_, *tables_, state_, p, n);
    p += taken;
    n -= taken;
    if (state_.bufferedCount > 0) return;
  }
  // Whole blocks are hashed where they lie, all in one run of the engine.
  const std::size_t whole = n / kBlockSize;
  if (whole > 0) gost_steps(engine_, *tables_, state_.H, state_.checksum, p, whole);
  detail::keep_tail(state_, p + kBlockSize * whole, n - kBlockSize * whole);
}

void HashContext::hash_finish(HashValue& out) {
  detail::finish_message(engine_, *tables_, state_, out);
}

HashValue hash_bytes(int set, const void* data, std::size_t n, Engine engine) {
  HashContext context(engine);
  context.hash_reset(set);
  context.hash_update(data, n);
  HashValue out{};
  context.hash_finish(out);
  return out;
}

}  // namespace verolt::gost94
