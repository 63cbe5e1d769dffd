#include "gost/hash_lanes.h"

#include <cstring>

#include "gost/bytes.h"

namespace verolt::gost {

HashLanes::HashLanes(Engine engine, int set, std::size_t lanes)
    : tables_(), engine_(engine_supported(engine) ? engine : best_engine()) {
  SubstitutionTables bytes;
  build_substitution_tables(parameter_set(set), bytes);
  build_engine_tables(bytes, tables_);
  lanes_.resize(lanes == 0 ? engine_streams(engine_) : lanes);
  streams_.resize(lanes_.size());
  for (std::size_t i = 0; i < lanes_.size(); ++i) start(i);
}

void HashLanes::start(std::size_t lane) {
  HashContext::State& s = lanes_[lane].state;
  s = HashContext::State();
  streams_[lane] = {s.H, s.checksum, nullptr, 0};
}

void HashLanes::feed(std::size_t lane, const void* data, std::size_t n) {
  HashContext::State& s = lanes_[lane].state;
  const auto* p = static_cast<const std::uint8_t*>(data);
  s.byteCount += n;
  if (s.bufferedCount > 0) {
    // Only the last read of a file is short as a rule, so completing a block here is rare; it is
    // stepped alone, at once.
    const std::size_t room = kBlockSize - s.bufferedCount;
    const std::size_t taken = n < room ? n : room;
    std::memcpy(s.blockBuffer + s.bufferedCount, p, taken);
    s.bufferedCount += static_cast<std::uint32_t>(taken);
    p += taken;
    n -= taken;
    if (s.bufferedCount < kBlockSize) return;
    gost_steps(engine_, tables_, s.H, s.checksum, s.blockBuffer, 1);
    s.bufferedCount = 0;
  }
  const std::size_t whole = n / kBlockSize;
  streams_[lane].blocks = p;
  streams_[lane].count = whole;
  // The tail comes after the whole blocks in the message, and is stepped only after them.
  const std::size_t tail = n - kBlockSize * whole;
  if (tail > 0) std::memcpy(s.blockBuffer, p + kBlockSize * whole, tail);
  s.bufferedCount = static_cast<std::uint32_t>(tail);
}

void HashLanes::run() { gost_steps_streams(engine_, tables_, streams_.data(), streams_.size()); }

void HashLanes::finish(std::size_t lane, HashValue& out) {
  HashContext::State& s = lanes_[lane].state;
  if (s.bufferedCount > 0) {
    std::memset(s.blockBuffer + s.bufferedCount, 0, kBlockSize - s.bufferedCount);
    gost_steps(engine_, tables_, s.H, s.checksum, s.blockBuffer, 1);
  }
  std::uint8_t length[kBlockSize] = {};
  bytes::store64(length, s.byteCount * 8);
  gost_steps(engine_, tables_, s.H, nullptr, length, 1);
  gost_steps(engine_, tables_, s.H, nullptr, s.checksum, 1);
  std::memcpy(out.data(), s.H, kBlockSize);
  start(lane);
}

}  // namespace verolt::gost
