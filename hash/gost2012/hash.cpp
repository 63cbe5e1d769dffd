// The running hash of one message: bytes into whole blocks for the engine, and the finalisation.
#include "hash/gost2012/hash.h"

#include <cstring>

#include "hash/gost2012/linear.h"
#include "hash/gost2012/message.h"

namespace verolt::gost2012 {

MessageState start_message(int bits) {
  MessageState s{};
  s.bits = bits == 256 ? 256 : 512;
  // The 256-bit function starts from bytes 0x01, the 512-bit one from zeros.
  if (s.bits == 256) std::memset(s.chain.h, 0x01, sizeof s.chain.h);
  return s;
}

namespace detail {

std::size_t complete_block(Engine engine, MessageState& s, const std::uint8_t* p, std::size_t n) {
  const std::size_t room = kBlockSize - s.bufferedCount;
  const std::size_t taken = n < room ? n : room;
  std::memcpy(s.blockBuffer + s.bufferedCount, p, taken);
  s.bufferedCount += static_cast<std::uint32_t>(taken);
  if (s.bufferedCount == kBlockSize) {
    compress_blocks(engine, s.chain, s.blockBuffer, 1);
    s.bufferedCount = 0;
  }
  return taken;
}

void keep_tail(MessageState& s, const std::uint8_t* p, std::size_t n) {
  if (n > 0) std::memcpy(s.blockBuffer, p, n);
  s.bufferedCount = static_cast<std::uint32_t>(n);
}

void finish_message(Engine engine, MessageState& s, HashValue& out) {
  // The last block, whole or empty, is padded with a single 1 bit after the message; N grows by
  // the bits it really holds, not by 512.
  std::uint8_t* block = s.blockBuffer;
  std::memset(block + s.bufferedCount, 0, kBlockSize - s.bufferedCount);
  block[s.bufferedCount] = 0x01;
  std::uint64_t counter[8];
  std::memcpy(counter, s.chain.counter, sizeof counter);
  compress_blocks(engine, s.chain, block, 1);
  std::memcpy(s.chain.counter, counter, sizeof counter);
  add512(s.chain.counter, std::uint64_t{8} * s.bufferedCount);
  compress_final(engine, s.chain.h, s.chain.counter);
  compress_final(engine, s.chain.h, s.chain.sigma);
  // Delivered from the least significant byte, as libgcrypt and the other peers deliver it (the
  // standard's examples print these digits in this order too); the 256-bit function keeps the
  // most significant half.
  out.fill(0);
  const std::size_t size = value_size(s.bits);
  const std::size_t first = 64 - size;
  for (std::size_t b = 0; b < size; ++b) {
    out[b] = static_cast<std::uint8_t>(s.chain.h[(first + b) / 8] >> (8 * ((first + b) % 8)));
  }
}

}  // namespace detail

HashContext::HashContext(Engine engine)
    : state_(start_message(512)), engine_(hash::usable_engine(engine)) {}

void HashContext::hash_reset(int bits) { state_ = start_message(bits); }

void HashContext::hash_update(const void* data, std::size_t n) {
  if (n == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (state_.bufferedCount > 0) {
    const std::size_t taken = detail::complete_block(engine_, state_, p, n);
    p += taken;
    n -= taken;
    if (state_.bufferedCount > 0) return;
  }
  // Whole blocks are hashed where they lie, all in one run of the engine.
  const std::size_t whole = n / kBlockSize;
  compress_blocks(engine_, state_.chain, p, whole);
  detail::keep_tail(state_, p + kBlockSize * whole, n - kBlockSize * whole);
}

void HashContext::hash_finish(HashValue& out) { detail::finish_message(engine_, state_, out); }

HashValue hash_bytes(int bits, const void* data, std::size_t n, Engine engine) {
  HashContext context(engine);
  context.hash_reset(bits);
  context.hash_update(data, n);
  HashValue out{};
  context.hash_finish(out);
  return out;
}

}  // namespace verolt::gost2012
