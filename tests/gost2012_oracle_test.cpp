// GOST R 34.11-2012 against libgcrypt, an independent implementation, on every engine the
// processor has: every length of the last block, the read size, runs of one byte value that
// carry the sum, large inputs in random pieces, and lanes of differing files and pieces.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <vector>

#include "hash/gost2012/hash.h"
#include "hash/gost2012/hash_lanes.h"

namespace {

using verolt::gost2012::HashContext;
using verolt::gost2012::HashValue;
using verolt::hash::Engine;
using verolt::hash::engine_name;
using Bytes = std::vector<std::uint8_t>;

class GcryptEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_NE(gcry_check_version(GCRYPT_VERSION), nullptr) << "libgcrypt version mismatch";
  }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GcryptEnvironment);

std::vector<Engine> engines() {
  std::vector<Engine> found;
  std::copy_if(std::begin(verolt::hash::kEngines), std::end(verolt::hash::kEngines),
               std::back_inserter(found), verolt::hash::engine_supported);
  return found;
}

constexpr int kBits[] = {256, 512};

// libgcrypt's digest is in our order; the rest of a 256-bit value is zero.
HashValue oracle(int bits, const std::uint8_t* data, std::size_t n) {
  HashValue out{};
  gcry_md_hash_buffer(bits == 256 ? GCRY_MD_STRIBOG256 : GCRY_MD_STRIBOG512, out.data(), data, n);
  return out;
}

Bytes random_bytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes data(n);
  std::generate(data.begin(), data.end(), [&gen] { return static_cast<std::uint8_t>(gen()); });
  return data;
}

// Pieces of random sizes up to `most`, the same for the same seed.
HashValue hash_in_pieces(Engine engine, int bits, const Bytes& data, std::uint32_t seed,
                         std::size_t most) {
  std::mt19937 gen(seed);
  HashContext context(engine);
  context.hash_reset(bits);
  for (std::size_t at = 0; at < data.size();) {
    const std::size_t piece = std::min<std::size_t>(gen() % (most + 1), data.size() - at);
    context.hash_update(data.data() + at, piece);
    at += piece;
  }
  HashValue value{};
  context.hash_finish(value);
  return value;
}

TEST(Gost2012Oracle, LengthsAroundTheBlockAndTheReadSize) {
  const Bytes data = random_bytes(131072 + 80, 1);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);  // every length of the last block
  for (std::size_t n = 131072 - 70; n <= 131072 + 70; n += 7) lengths.push_back(n);
  for (const Engine engine : engines()) {
    for (const int bits : kBits) {
      for (const std::size_t n : lengths) {
        ASSERT_EQ(verolt::gost2012::hash_bytes(bits, data.data(), n, engine),
                  oracle(bits, data.data(), n))
            << engine_name(engine) << ", " << bits << " bits, " << n << " bytes";
      }
    }
  }
}

TEST(Gost2012Oracle, RunsOfOneByteValue) {
  // All-ones blocks carry the sum through every word, block after block.
  for (const int fill : {0x00, 0xFF, 0x80}) {
    for (const std::size_t n : {63, 64, 128, 1000, 65536}) {
      const Bytes data(n, static_cast<std::uint8_t>(fill));
      for (const Engine engine : engines()) {
        for (const int bits : kBits) {
          ASSERT_EQ(verolt::gost2012::hash_bytes(bits, data.data(), n, engine),
                    oracle(bits, data.data(), n))
              << engine_name(engine) << ", " << bits << " bits, fill " << fill << ", " << n
              << " bytes";
        }
      }
    }
  }
}

TEST(Gost2012Oracle, LargeInputsInRandomPieces) {
  for (const std::size_t n : {std::size_t{3} << 20, (std::size_t{4} << 20) + 17}) {
    const Bytes data = random_bytes(n, static_cast<std::uint32_t>(n));
    for (const Engine engine : engines()) {
      for (const int bits : kBits) {
        ASSERT_EQ(hash_in_pieces(engine, bits, data, static_cast<std::uint32_t>(n) + 1, 300000),
                  oracle(bits, data.data(), n))
            << engine_name(engine) << ", " << bits << " bits, " << n << " bytes";
      }
    }
  }
}

// 1 to 4 lanes, each with its own file and its own piece size, so that the lanes run dry at
// different times and the engine steps them alone, in pairs and in turn.
TEST(Gost2012Oracle, LanesOfDifferentFilesAndPieces) {
  std::mt19937 gen(3);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible sizes
  const Bytes data = random_bytes(131072 + 4096, 4);
  for (const Engine engine : engines()) {
    for (std::size_t n = 1; n <= 4; ++n) {
      const int bits = kBits[n % 2];
      verolt::gost2012::HashLanes lanes(engine, bits, n);
      std::vector<std::size_t> size(n);
      std::vector<std::size_t> fed(n, 0);
      for (std::size_t l = 0; l < n; ++l) {
        const std::size_t around[] = {gen() % 130, 4096 - 60 + gen() % 121,
                                      131072 - 60 + gen() % 121};
        size[l] = around[(l + n) % 3];
      }
      for (bool busy = true; busy;) {
        for (std::size_t l = 0; l < n; ++l) {
          if (!lanes.hungry(l) || fed[l] == size[l]) continue;
          const std::size_t piece =
              std::min<std::size_t>(700 + 333 * l + gen() % 64, size[l] - fed[l]);
          lanes.feed(l, data.data() + fed[l], piece);
          fed[l] += piece;
        }
        lanes.run();
        busy = false;
        for (std::size_t l = 0; l < n; ++l) busy = busy || fed[l] < size[l] || !lanes.hungry(l);
      }
      for (std::size_t l = 0; l < n; ++l) {
        HashValue value{};
        lanes.finish(l, value);
        ASSERT_EQ(value, oracle(bits, data.data(), size[l]))
            << engine_name(engine) << ", lane " << l << " of " << n << ", " << size[l] << " bytes";
      }
    }
  }
}

}  // namespace
