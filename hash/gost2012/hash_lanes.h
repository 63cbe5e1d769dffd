// Several messages of GOST R 34.11-2012 in lanes, stepped together by one engine so that a core
// overlaps their chains. Used as gost94::HashLanes is: start, feed, run until hungry, finish.
#pragma once

#include <cstddef>
#include <vector>

#include "hash/gost2012/hash.h"
#include "hash/gost2012/steps.h"

namespace verolt::gost2012 {

class HashLanes {
 public:
  // `lanes` 0 means engine_streams(engine). The engine falls back as HashContext's does.
  HashLanes(Engine engine, int bits, std::size_t lanes = 0);
  std::size_t size() const { return lanes_.size(); }
  Engine engine() const { return engine_; }
  void start(std::size_t lane);
  // The lane's next `n` bytes, valid and unchanged until it is hungry again.
  void feed(std::size_t lane, const void* data, std::size_t n);
  bool hungry(std::size_t lane) const { return streams_[lane].count == 0; }
  void run();
  // The lane must be hungry; it is idle afterwards.
  void finish(std::size_t lane, HashValue& out);

 private:
  std::vector<MessageState> lanes_;
  std::vector<Stream> streams_;
  int bits_;
  Engine engine_;
};

}  // namespace verolt::gost2012
