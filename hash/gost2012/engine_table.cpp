// The table of engines, resolved once, and the stepping of streams.
#include <cstring>

#include "hash/bytes.h"
#include "hash/gost2012/engines.h"

namespace verolt::gost2012 {

namespace {

const detail::EngineEntry* const* engine_table() {
  static const detail::EngineEntry* const kTable[] = {
      &detail::portable_engine(),
      // AVX2 has nothing faster than the table lookups.
      &detail::portable_engine(),
      hash::engine_supported(Engine::avx512) ? detail::avx512_engine() : nullptr,
      // The one vector engine is also the fastest for one stream.
      hash::engine_supported(Engine::avx512) ? detail::avx512_engine() : nullptr,
  };
  return kTable;
}

}  // namespace

namespace detail {

const EngineEntry& engine_entry(Engine engine) {
  const EngineEntry* entry = engine_table()[static_cast<int>(hash::usable_engine(engine))];
  return entry != nullptr ? *entry : portable_engine();
}

}  // namespace detail

void compress_blocks(Engine engine, Chain& chain, const std::uint8_t* blocks, std::size_t count) {
  if (count > 0) detail::engine_entry(engine).blocks(chain, blocks, count);
}

void compress_final(Engine engine, std::uint64_t h[8], const std::uint64_t m[8]) {
  // g_0 is a step with N = 0 whose counter and sum nobody reads.
  Chain chain{};
  std::memcpy(chain.h, h, sizeof chain.h);
  std::uint8_t block[kBlockSize];
  for (int i = 0; i < 8; ++i) hash::bytes::store64(block + 8 * i, m[i]);
  detail::engine_entry(engine).blocks(chain, block, 1);
  std::memcpy(h, chain.h, sizeof chain.h);
}

std::size_t engine_streams(Engine engine) {
  return detail::engine_entry(engine).pair != nullptr ? 2 : 1;
}

std::size_t compress_streams(Engine engine, Stream* streams, std::size_t n) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (streams[i].count > 0 && (count == 0 || streams[i].count < count)) count = streams[i].count;
  }
  if (count == 0) return 0;
  const detail::EngineEntry& entry = detail::engine_entry(engine);
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
