// The bytes of a message around a function's steps, written once for every function: buffering
// up to whole blocks, one running hash (MessageContext) and several in lanes (MessageLanes). A
// function describes itself to them in a struct F of its own (see gost94/hash.h):
//
//   kBlockSize                     bytes a step takes
//   Value                          the value it delivers
//   Chain                          what a message carries from block to block
//   Entry, entry(engine)           its engine table's entry for a usable engine
//   Params, params(variant)        what a variant (parameter set, bits) fixes for every message
//   start(params)                  the chain of a new message
//   steps(entry, params, chain, blocks, count)
//   Stream, stream(chain)          one message among several, and the idle stream of a chain
//   streams(entry)                 how many the engine steps together at its best
//   step_streams(entry, params, streams, n)
//   finish(entry, params, chain, block, buffered, bytes, out)
//                                  from the last bytes (`buffered` of them, with room for a whole
//                                  block) and the length in bytes
//
// The entry is chosen once, when a context or lanes are made; its steps run whole blocks, so the
// only indirect call is per run of blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hash/engine.h"

namespace verolt::hash {

// What a message has changed so far.
template <class F>
struct Message {
  typename F::Chain chain;
  std::uint8_t buffer[F::kBlockSize];
  std::uint32_t buffered;
  std::uint64_t bytes;  // modulo 2^64

  static Message start(const typename F::Params& params) { return {F::start(params), {}, 0, 0}; }

  // Takes the next `n` bytes at `p`: completes a block already begun, stepping it at once, and
  // keeps what follows the last whole block. Returns the whole blocks left at `p` for the caller
  // to step; they come before the kept bytes in the message.
  std::size_t take(const typename F::Entry& entry, const typename F::Params& params,
                   const std::uint8_t*& p, std::size_t n) {
    if (n == 0) return 0;
    bytes += n;
    if (buffered > 0) {
      const std::size_t room = F::kBlockSize - buffered;
      const std::size_t taken = n < room ? n : room;
      std::memcpy(buffer + buffered, p, taken);
      buffered += static_cast<std::uint32_t>(taken);
      p += taken;
      n -= taken;
      if (buffered < F::kBlockSize) return 0;
      F::steps(entry, params, chain, buffer, 1);
      buffered = 0;
    }
    const std::size_t whole = n / F::kBlockSize;
    const std::size_t tail = n - F::kBlockSize * whole;
    if (tail > 0) std::memcpy(buffer, p + F::kBlockSize * whole, tail);
    buffered = static_cast<std::uint32_t>(tail);
    return whole;
  }

  void finish(const typename F::Entry& entry, const typename F::Params& params,
              typename F::Value& out) {
    F::finish(entry, params, chain, buffer, buffered, bytes, out);
  }
};

// A running hash. A copy is a saved state: assigning it back undoes what came in between.
template <class F>
class MessageContext {
 public:
  using Value = typename F::Value;

  // An engine the processor lacks is replaced as hash::usable_engine replaces it.
  MessageContext(Engine engine, int variant)
      : engine_(usable_engine(engine)), entry_(&F::entry(engine_)) {
    hash_reset(variant);
  }
  // A new message of the variant.
  void hash_reset(int variant) {
    params_ = F::params(variant);
    message_ = Message<F>::start(params_);
  }
  void hash_update(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    // Whole blocks are hashed where they lie, all in one run of the engine.
    const std::size_t whole = message_.take(*entry_, params_, p, n);
    if (whole > 0) F::steps(*entry_, params_, message_.chain, p, whole);
  }
  // Finalises into `out`; the context needs a new reset before further use.
  void hash_finish(Value& out) { message_.finish(*entry_, params_, out); }
  Engine engine() const { return engine_; }

 private:
  Engine engine_;
  const typename F::Entry* entry_;
  typename F::Params params_;
  Message<F> message_;
};

// Several hashes in flight at once, one per lane, stepped together by one engine so that a core
// overlaps their chains. The lanes know bytes and blocks, not files: the caller reads files, hands
// each lane its bytes, and refills a lane as soon as it is hungry.
//
//   MessageLanes<F> lanes(engine, variant);     // lanes.size() lanes, all idle
//   lanes.start(i);                              // a new hash in lane i
//   lanes.feed(i, buffer[i], n);                 // its next bytes; buffer[i] stays untouched
//   lanes.run();                                 //   until lanes.hungry(i) again
//   ... when a lane is hungry: feed it more, or finish it and start the next file there:
//   lanes.finish(i, value);                      // lane i is idle again
//
// A lane whose file fails to read is simply started again: nothing of it reaches the others.
template <class F>
class MessageLanes {
 public:
  using Value = typename F::Value;

  // `lanes` 0: as many as the engine steps together at its best. The engine falls back as
  // MessageContext's does.
  MessageLanes(Engine engine, int variant, std::size_t lanes = 0)
      : engine_(usable_engine(engine)), entry_(&F::entry(engine_)), params_(F::params(variant)) {
    messages_.resize(lanes == 0 ? F::streams(*entry_) : lanes);
    streams_.resize(messages_.size());
    for (std::size_t i = 0; i < messages_.size(); ++i) start(i);
  }
  // The streams point into the messages.
  MessageLanes(const MessageLanes&) = delete;
  MessageLanes& operator=(const MessageLanes&) = delete;
  MessageLanes(MessageLanes&&) noexcept = default;
  MessageLanes& operator=(MessageLanes&&) noexcept = default;

  std::size_t size() const { return messages_.size(); }
  Engine engine() const { return engine_; }

  // Begins a new hash in the lane, forgetting whatever it held.
  void start(std::size_t lane) {
    messages_[lane] = Message<F>::start(params_);
    streams_[lane] = F::stream(messages_[lane].chain);
  }
  // Gives the lane its next `n` bytes, which must stay valid and unchanged until the lane is
  // hungry again. Only a hungry lane may be fed. Only the last read of a file is short as a rule,
  // so a block completed here is rare; it is stepped alone, at once.
  void feed(std::size_t lane, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    const std::size_t whole = messages_[lane].take(*entry_, params_, p, n);
    streams_[lane].blocks = p;
    streams_[lane].count = whole;
  }
  // The lane has stepped all it was fed.
  bool hungry(std::size_t lane) const { return streams_[lane].count == 0; }
  // Steps every lane that has whole blocks until at least one of them is hungry; returns at once
  // when none has any.
  void run() { F::step_streams(*entry_, params_, streams_.data(), streams_.size()); }
  // Finalises the lane's hash into `out`; the lane must be hungry. It is idle afterwards.
  void finish(std::size_t lane, Value& out) {
    messages_[lane].finish(*entry_, params_, out);
    start(lane);
  }

 private:
  Engine engine_;
  const typename F::Entry* entry_;
  typename F::Params params_;
  std::vector<Message<F>> messages_;
  std::vector<typename F::Stream> streams_;
};

}  // namespace verolt::hash
