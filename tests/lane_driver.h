// Files through lanes as a hash list runs them: each lane fed in pieces, and refilled with the
// next file as soon as one ends.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

#include "hash/function.h"
#include "tests/random_bytes.h"

namespace verolt::test {

// The values of `files` in their order. `piece(lane)` is the most a lane is fed at once; pieces
// that differ between lanes make them run dry at different times.
inline std::vector<hash::Value> hash_all(hash::Lanes& lanes, const std::vector<Bytes>& files,
                                         const std::function<std::size_t(std::size_t)>& piece) {
  std::vector<hash::Value> values(files.size());
  const std::size_t none = files.size();
  std::vector<std::size_t> file(lanes.size(), none);  // the file in each lane
  std::vector<std::size_t> at(lanes.size(), 0);       // bytes of it fed
  std::size_t next = 0;
  std::size_t done = 0;
  while (done < files.size()) {
    for (std::size_t l = 0; l < lanes.size(); ++l) {
      if (!lanes.hungry(l)) continue;
      if (file[l] != none && at[l] == files[file[l]].size()) {
        lanes.finish(l, values[file[l]]);
        ++done;
        file[l] = none;
      }
      if (file[l] == none && next < files.size()) {
        lanes.start(l);
        file[l] = next++;
        at[l] = 0;
      }
      if (file[l] == none) continue;
      const Bytes& data = files[file[l]];
      const std::size_t n = std::min(piece(l), data.size() - at[l]);
      lanes.feed(l, data.data() + at[l], n);
      at[l] += n;
    }
    lanes.run();
  }
  return values;
}

}  // namespace verolt::test
