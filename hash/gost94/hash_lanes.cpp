// Several messages in lanes, stepped together; the bytes around the steps as HashContext has them.
#include "hash/gost94/hash_lanes.h"

#include "hash/gost94/message.h"

namespace verolt::gost94 {

HashLanes::HashLanes(Engine engine, int set, std::size_t lanes)
    : tables_(&engine_tables(set)), engine_(hash::usable_engine(engine)) {
  lanes_.resize(lanes == 0 ? engine_streams(engine_) : lanes);
  streams_.resize(lanes_.size());
  for (std::size_t i = 0; i < lanes_.size(); ++i) start(i);
}

void HashLanes::start(std::size_t lane) {
  MessageState& s = lanes_[lane];
  s = MessageState();
  streams_[lane] = {s.H, s.checksum, nullptr, 0};
}

void HashLanes::feed(std::size_t lane, const void* data, std::size_t n) {
  MessageState& s = lanes_[lane];
  const auto* p = static_cast<const std::uint8_t*>(data);
  s.byteCount += n;
  if (s.bufferedCount > 0) {
    // Only the last read of a file is short as a rule, so completing a block here is rare; it is
    // stepped alone, at once.
    const std::size_t taken = detail::complete_block(engine_, *tables_, s, p, n);
    p += taken;
    n -= taken;
    if (s.bufferedCount > 0) return;
  }
  const std::size_t whole = n / kBlockSize;
  streams_[lane].blocks = p;
  streams_[lane].count = whole;
  // The tail comes after the whole blocks in the message, and is stepped only after them.
  detail::keep_tail(s, p + kBlockSize * whole, n - kBlockSize * whole);
}

void HashLanes::run() { gost_steps_streams(engine_, *tables_, streams_.data(), streams_.size()); }

void HashLanes::finish(std::size_t lane, HashValue& out) {
  detail::finish_message(engine_, *tables_, lanes_[lane], out);
  start(lane);
}

}  // namespace verolt::gost94
