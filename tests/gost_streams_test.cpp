// Every engine, with every number of streams in flight, against the portable engine and (in
// gost_oracle_test.cpp) libgcrypt: streams that end at different times, lanes refilled as soon as
// they run dry, single streams, and sizes around the block and the read size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "hash/gost94/hash.h"
#include "hash/gost94/hash_lanes.h"

namespace {

using verolt::hash::Engine;
using verolt::hash::engine_name;
using verolt::hash::engine_supported;
using verolt::gost94::HashLanes;
using verolt::gost94::HashValue;
using Bytes = std::vector<std::uint8_t>;

Bytes random_bytes(std::mt19937& gen, std::size_t n) {
  Bytes data(n);
  std::generate(data.begin(), data.end(), [&gen] { return static_cast<std::uint8_t>(gen()); });
  return data;
}

HashValue reference(int set, const Bytes& data) {
  verolt::gost94::HashContext context(Engine::portable);
  context.hash_reset(set);
  context.hash_update(data.data(), data.size());
  HashValue value{};
  context.hash_finish(value);
  return value;
}

// Hashes `files` through `lanes`, each fed in pieces of at most `piece` bytes, refilling a lane
// with the next file as soon as one ends; the values in the files' order.
std::vector<HashValue> hash_all(HashLanes& lanes, const std::vector<Bytes>& files,
                                std::size_t piece) {
  std::vector<HashValue> values(files.size());
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
      const std::size_t n = std::min(piece, data.size() - at[l]);
      lanes.feed(l, data.data() + at[l], n);
      at[l] += n;
    }
    lanes.run();
  }
  return values;
}

struct Case {
  const char* name;
  std::size_t files;
  std::size_t lanes;  // 0: the engine's own number
  std::size_t min_size;
  std::size_t max_size;
  std::size_t piece;
};

const Case kCases[] = {
    {"one file in flight", 3, 1, 0, 5000, 1000},
    {"tiny files around a block", 101, 0, 0, 100, 64},
    {"as many files as lanes", 16, 16, 4000, 4200, 4096},
    {"sizes around 4 KiB, pieces of 4 KiB", 40, 0, 4096 - 40, 4096 + 40, 4096},
    {"odd pieces, lanes dry at different times", 30, 5, 0, 9000, 777},
    {"files of very different sizes", 12, 0, 0, 300000, 131072},
    {"all lanes busy and refilled", 64, 8, 1000, 3000, 512},
    {"two lanes", 9, 2, 0, 2000, 100},
    {"more lanes than files", 3, 12, 30, 70, 33},
};

class GostStreams : public ::testing::TestWithParam<Engine> {};

TEST_P(GostStreams, EveryFileAsAloneOnThePortableEngine) {
  const Engine engine = GetParam();
  if (!engine_supported(engine)) {
    GTEST_SKIP() << "the processor lacks the " << engine_name(engine) << " engine";
  }
  std::mt19937 gen(11);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  for (const Case& c : kCases) {
    for (const int set : {0, 1, 2}) {
      std::vector<Bytes> files;
      for (std::size_t f = 0; f < c.files; ++f) {
        files.push_back(random_bytes(gen, c.min_size + gen() % (c.max_size - c.min_size + 1)));
      }
      // All-ones files carry through the whole checksum.
      if (!files.empty()) std::fill(files[0].begin(), files[0].end(), 0xFF);
      HashLanes lanes(engine, set, c.lanes);
      const std::vector<HashValue> values = hash_all(lanes, files, c.piece);
      for (std::size_t f = 0; f < files.size(); ++f) {
        ASSERT_EQ(values[f], reference(set, files[f]))
            << c.name << ": set " << set << ", file " << f << " of " << files[f].size()
            << " bytes, " << lanes.size() << " lanes";
      }
    }
  }
}

TEST_P(GostStreams, ARestartedLaneLeavesTheOthersAlone) {
  // A file that fails to read half way is dropped by starting its lane again.
  const Engine engine = GetParam();
  if (!engine_supported(engine)) {
    GTEST_SKIP() << "the processor lacks the " << engine_name(engine) << " engine";
  }
  std::mt19937 gen(12);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  const Bytes a = random_bytes(gen, 5000);
  const Bytes b = random_bytes(gen, 7000);
  const Bytes c = random_bytes(gen, 3000);
  HashLanes lanes(engine, 2, 3);
  lanes.feed(0, a.data(), 2048);
  lanes.feed(1, b.data(), 2048);
  lanes.feed(2, c.data(), 1000);
  lanes.run();
  while (!lanes.hungry(0) || !lanes.hungry(1) || !lanes.hungry(2)) lanes.run();
  lanes.start(1);  // b "failed"; c takes its place
  lanes.feed(0, a.data() + 2048, a.size() - 2048);
  lanes.feed(1, c.data(), c.size());
  while (!lanes.hungry(0) || !lanes.hungry(1)) lanes.run();
  HashValue va{};
  HashValue vc{};
  lanes.finish(0, va);
  lanes.finish(1, vc);
  EXPECT_EQ(va, reference(2, a));
  EXPECT_EQ(vc, reference(2, c));
}

INSTANTIATE_TEST_SUITE_P(Engines, GostStreams,
                         ::testing::Values(Engine::portable, Engine::avx2, Engine::avx512),
                         [](const ::testing::TestParamInfo<Engine>& info) {
                           return std::string(engine_name(info.param));
                         });

}  // namespace
