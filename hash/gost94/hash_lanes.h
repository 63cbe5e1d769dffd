// Several hashes in flight at once, one per lane, stepped together by one engine so that a core
// overlaps their chains. The lanes know bytes and blocks, not files: the caller reads files, hands
// each lane its bytes, and refills a lane as soon as it is hungry.
//
//   HashLanes lanes(engine, set);                // lanes.size() lanes, all idle
//   lanes.start(i);                              // a new hash in lane i
//   lanes.feed(i, buffer[i], n);                 // its next bytes; buffer[i] stays untouched
//   lanes.run();                                 //   until lanes.hungry(i) again
//   ... when a lane is hungry: feed it more, or finish it and start the next file there:
//   lanes.finish(i, value);                      // lane i is idle again
//
// A lane whose file fails to read is simply started again: nothing of it reaches the others.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hash/gost94/hash.h"
#include "hash/gost94/steps.h"

namespace verolt::gost94 {

class HashLanes {
 public:
  // `lanes` 0 means engine_streams(engine). The engine falls back as HashContext's does.
  HashLanes(Engine engine, int set, std::size_t lanes = 0);

  std::size_t size() const { return lanes_.size(); }
  Engine engine() const { return engine_; }

  // Begins a new hash in the lane, forgetting whatever it held.
  void start(std::size_t lane);
  // Gives the lane its next `n` bytes, which must stay valid and unchanged until the lane is hungry
  // again. Only a hungry lane may be fed.
  void feed(std::size_t lane, const void* data, std::size_t n);
  // The lane has stepped all it was fed.
  bool hungry(std::size_t lane) const { return streams_[lane].count == 0; }
  // Steps every lane that has whole blocks until at least one of them is hungry; returns at once
  // when none has any.
  void run();
  // Finalises the lane's hash into `out`; the lane must be hungry. It is idle afterwards.
  void finish(std::size_t lane, HashValue& out);

 private:
  std::vector<MessageState> lanes_;
  std::vector<Stream> streams_;
  const EngineTables* tables_;
  Engine engine_;
};

}  // namespace verolt::gost94
