// Differential tests against libgcrypt, an independent implementation of the same hash.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "hash/gost94/hash.h"
#include "hash/gost94/hash_lanes.h"

namespace {

using verolt::gost94::hash_bytes;
using verolt::gost94::HashContext;
using verolt::gost94::HashValue;

class GcryptEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_NE(gcry_check_version(GCRYPT_VERSION), nullptr) << "libgcrypt version mismatch";
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GcryptEnvironment);

// Our set 0 is libgcrypt's plain GOST R 34.11-94 (test parameters), set 2 its CryptoPro variant.
struct Pairing {
  int set;
  int algorithm;
};
const Pairing kPairings[] = {{0, GCRY_MD_GOSTR3411_94}, {2, GCRY_MD_GOSTR3411_CP}};

// libgcrypt's digest bytes are in our order already: byte 0 is the least significant.
HashValue oracle(int algorithm, const std::uint8_t* data, std::size_t n) {
  HashValue out{};
  gcry_md_hash_buffer(algorithm, out.data(), data, n);
  return out;
}

std::vector<std::uint8_t> random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::vector<std::uint8_t> data(n);
  std::generate(data.begin(), data.end(), [&gen] { return static_cast<std::uint8_t>(gen()); });
  return data;
}

TEST(GostOracle, DigestLengthIsOurs) {
  for (const Pairing& p : kPairings) {
    EXPECT_EQ(gcry_md_get_algo_dlen(p.algorithm), sizeof(HashValue));
  }
}

TEST(GostOracle, ShortLengthsAcrossBlockBoundaries) {
  const auto data = random_bytes(200, 1);
  for (const Pairing& p : kPairings) {
    for (std::size_t n = 0; n <= data.size(); ++n) {
      ASSERT_EQ(hash_bytes(p.set, data.data(), n), oracle(p.algorithm, data.data(), n))
          << "set " << p.set << " length " << n;
    }
  }
}

TEST(GostOracle, LengthsAroundTheReadSize) {
  const auto data = random_bytes(131072 + 80, 2);
  for (const Pairing& p : kPairings) {
    for (std::size_t n = 131072 - 70; n <= 131072 + 70; n += 7) {
      ASSERT_EQ(hash_bytes(p.set, data.data(), n), oracle(p.algorithm, data.data(), n))
          << "set " << p.set << " length " << n;
    }
  }
}

TEST(GostOracle, UniformBytes) {
  // Runs of one value stress the checksum's carries and the length block.
  for (const int fill : {0x00, 0xFF, 0x80}) {
    for (const std::size_t n : {32, 64, 96, 1000, 65536}) {
      const std::vector<std::uint8_t> data(n, static_cast<std::uint8_t>(fill));
      for (const Pairing& p : kPairings) {
        ASSERT_EQ(hash_bytes(p.set, data.data(), n), oracle(p.algorithm, data.data(), n))
            << "set " << p.set << " fill " << fill << " length " << n;
      }
    }
  }
}

TEST(GostOracle, LargeInputsInRandomPieces) {
  std::mt19937 gen(3);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible pieces
  for (const std::size_t n :
       {std::size_t{3} << 20, (std::size_t{5} << 20) + 17, (std::size_t{8} << 20) - 1}) {
    const auto data = random_bytes(n, static_cast<std::uint32_t>(n));
    for (const Pairing& p : kPairings) {
      HashContext context(verolt::hash::best_engine());
      context.hash_reset(p.set);
      std::size_t at = 0;
      while (at < n) {
        const std::size_t piece = std::min<std::size_t>(gen() % 300000, n - at);
        context.hash_update(data.data() + at, piece);
        at += piece;
      }
      HashValue value{};
      context.hash_finish(value);
      ASSERT_EQ(value, oracle(p.algorithm, data.data(), n)) << "set " << p.set << " length " << n;
    }
  }
}

// Every engine with all its lanes busy: files of sizes around the block and the read size, fed
// in pieces of different sizes, so that the lanes run dry at different times.
TEST(GostOracle, EveryEngineWithAllLanesBusy) {
  using verolt::hash::Engine;
  std::mt19937 gen(4);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible sizes
  const auto data = random_bytes(131072 + 4096, 5);
  for (const Engine engine : {Engine::portable, Engine::avx2, Engine::avx512}) {
    if (!verolt::hash::engine_supported(engine)) continue;  // the engine tests say which is missing
    for (const Pairing& p : kPairings) {
      verolt::gost94::HashLanes lanes(engine, p.set);
      std::vector<std::size_t> sizes(lanes.size());
      std::vector<std::size_t> fed(lanes.size(), 0);
      for (std::size_t l = 0; l < lanes.size(); ++l) {
        const std::size_t around[] = {gen() % 101, 4096 - 50 + gen() % 101,
                                      131072 - 50 + gen() % 101};
        sizes[l] = around[l % 3];
      }
      for (bool busy = true; busy;) {
        busy = false;
        for (std::size_t l = 0; l < lanes.size(); ++l) {
          if (!lanes.hungry(l) || fed[l] == sizes[l]) continue;
          const std::size_t n = std::min<std::size_t>(1000 + 300 * l, sizes[l] - fed[l]);
          lanes.feed(l, data.data() + fed[l], n);
          fed[l] += n;
        }
        lanes.run();
        for (std::size_t l = 0; l < lanes.size(); ++l) busy = busy || fed[l] < sizes[l];
      }
      for (std::size_t l = 0; l < lanes.size(); ++l) {
        while (!lanes.hungry(l)) lanes.run();
        HashValue value{};
        lanes.finish(l, value);
        ASSERT_EQ(value, oracle(p.algorithm, data.data(), sizes[l]))
            << verolt::hash::engine_name(engine) << ", set " << p.set << ", lane " << l << " of "
            << sizes[l] << " bytes";
      }
    }
  }
}

}  // namespace
