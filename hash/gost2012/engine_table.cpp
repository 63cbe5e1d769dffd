// The table of engines, resolved once, and the stepping of streams.
#include <cstring>

#include "hash/bytes.h"
#include "hash/gost2012/engines.h"

namespace verolt::gost2012 {

namespace {

// Null for an engine the compiler could not build, which the processor check never lets through.
// AVX2 has nothing faster than the table lookups.
const detail::EngineEntry* named_entry(Engine engine) {
  return engine == Engine::avx512 ? detail::avx512_engine() : &detail::portable_engine();
}

}  // namespace

const detail::EngineEntry& engine_entry(Engine engine) {
  // The one vector engine is also the fastest for one stream: `automatic` is the widest engine.
  static const detail::EngineEntry* const kTable[] = {
      named_entry(Engine::portable),
      named_entry(Engine::avx2),
      named_entry(Engine::avx512),
      named_entry(hash::best_engine()),
  };
  return *kTable[static_cast<int>(hash::usable_engine(engine))];
}

void compress_blocks(const detail::EngineEntry& engine, Chain& chain, const std::uint8_t* blocks,
                     std::size_t count) {
  if (count > 0) engine.blocks(chain, blocks, count);
}

void compress_final(const detail::EngineEntry& engine, std::uint64_t h[8],
                    const std::uint64_t m[8]) {
  // g_0 is a step with N = 0 whose counter and sum nobody reads.
  Chain chain{};
  std::memcpy(chain.h, h, sizeof chain.h);
  std::uint8_t block[kBlockSize];
  for (int i = 0; i < 8; ++i) hash::bytes::store64(block + 8 * i, m[i]);
  engine.blocks(chain, block, 1);
  std::memcpy(h, chain.h, sizeof chain.h);
}

std::size_t engine_streams(const detail::EngineEntry& engine) {
  return engine.pair != nullptr ? 2 : 1;
}

std::size_t compress_streams(const detail::EngineEntry& entry, Stream* streams, std::size_t n) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (streams[i].count > 0 && (count == 0 || streams[i].count < count)) count = streams[i].count;
  }
  if (count == 0) return 0;
  Stream* waiting = nullptr;
  for (std::size_t i = 0; i < n; ++i) {
    Stream& s = streams[i];
    if (s.count == 0) continue;
    if (entry.pair != nullptr && waiting == nullptr) {
      waiting = &s;
      continue;
    }
    if (waiting != nullptr) {
      entry.pair(*waiting->chain, waiting->blocks, *s.chain, s.blocks, count);
      waiting->blocks += kBlockSize * count;
      waiting->count -= count;
      waiting = nullptr;
    } else {
      entry.blocks(*s.chain, s.blocks, count);
    }
    s.blocks += kBlockSize * count;
    s.count -= count;
  }
  if (waiting != nullptr) {
    entry.blocks(*waiting->chain, waiting->blocks, count);
    waiting->blocks += kBlockSize * count;
    waiting->count -= count;
  }
  return count;
}

}  // namespace verolt::gost2012
