#include "hash/gost2012/hash_lanes.h"

#include "hash/gost2012/message.h"

namespace verolt::gost2012 {

HashLanes::HashLanes(Engine engine, int bits, std::size_t lanes)
    : bits_(bits), engine_(hash::usable_engine(engine)) {
  lanes_.resize(lanes == 0 ? engine_streams(engine_) : lanes);
  streams_.resize(lanes_.size());
  for (std::size_t i = 0; i < lanes_.size(); ++i) start(i);
}

void HashLanes::start(std::size_t lane) {
  MessageState& s = lanes_[lane];
  s = start_message(bits_);
  streams_[lane] = {&s.chain, nullptr, 0};
}

void HashLanes::feed(std::size_t lane, const void* data, std::size_t n) {
  MessageState& s = lanes_[lane];
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (s.bufferedCount > 0) {
    // Only the last read of a file is short as a rule, so this is rare; stepped alone, at once.
    const std::size_t taken = detail::complete_block(engine_, s, p, n);
    p += taken;
    n -= taken;
    if (s.bufferedCount > 0) return;
  }
  const std::size_t whole = n / kBlockSize;
  streams_[lane].blocks = p;
  streams_[lane].count = whole;
  detail::keep_tail(s, p + kBlockSize * whole, n - kBlockSize * whole);
}

void HashLanes::run() { compress_streams(engine_, streams_.data(), streams_.size()); }

void HashLanes::finish(std::size_t lane, HashValue& out) {
  detail::finish_message(engine_, lanes_[lane], out);
  start(lane);
}

}  // namespace verolt::gost2012
