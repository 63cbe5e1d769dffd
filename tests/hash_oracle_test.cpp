// Every function on every engine the processor has against libgcrypt, an independent
// implementation: every length of the last blocks, the read size, runs of one byte value that
// carry the checksum or the sum, large inputs in random pieces, and lanes of differing files and
// pieces.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "hash/function.h"
#include "tests/lane_driver.h"
#include "tests/random_bytes.h"

namespace {

using verolt::hash::Context;
using verolt::hash::Engine;
using verolt::hash::engine_name;
using verolt::hash::Function;
using verolt::hash::Value;
using verolt::test::Bytes;
using verolt::test::random_bytes;

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
  Function function;
  int algorithm;
  const char* name;
};
const Pairing kPairings[] = {
    {Function::gost94(0), GCRY_MD_GOSTR3411_94, "gost94_set0"},
    {Function::gost94(2), GCRY_MD_GOSTR3411_CP, "gost94_set2"},
    {Function::gost2012(256), GCRY_MD_STRIBOG256, "gost2012_256"},
    {Function::gost2012(512), GCRY_MD_STRIBOG512, "gost2012_512"},
};

class HashOracle : public ::testing::TestWithParam<std::tuple<Pairing, Engine>> {
 protected:
  void SetUp() override {
    if (!verolt::hash::engine_supported(engine_)) {
      GTEST_SKIP() << "the processor lacks the " << engine_name(engine_) << " engine";
    }
  }

  // libgcrypt's digest bytes are in our order already: byte 0 is the least significant.
  Value oracle(const std::uint8_t* data, std::size_t n) const {
    Value out{pairing_.function};
    gcry_md_hash_buffer(pairing_.algorithm, out.bytes.data(), data, n);
    return out;
  }
  Value ours(const std::uint8_t* data, std::size_t n) const {
    return verolt::hash::hash_bytes(pairing_.function, data, n, engine_);
  }

  const Pairing pairing_ = std::get<0>(GetParam());
  const Engine engine_ = std::get<1>(GetParam());
};

TEST_P(HashOracle, DigestLengthIsOurs) {
  EXPECT_EQ(gcry_md_get_algo_dlen(pairing_.algorithm), pairing_.function.value_size());
}

TEST_P(HashOracle, LengthsAroundTheBlockAndTheReadSize) {
  const Bytes data = random_bytes(131072 + 80, 1);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);  // every length of the last block
  for (std::size_t n = 131072 - 70; n <= 131072 + 70; n += 7) lengths.push_back(n);
  for (const std::size_t n : lengths) {
    ASSERT_EQ(ours(data.data(), n), oracle(data.data(), n)) << n << " bytes";
  }
}

TEST_P(HashOracle, RunsOfOneByteValue) {
  // All-ones blocks carry the checksum or the sum through every word, block after block; the
  // length block sees runs of zeros.
  for (const int fill : {0x00, 0xFF, 0x80}) {
    for (const std::size_t n : {32, 63, 64, 96, 128, 1000, 65536}) {
      const Bytes data(n, static_cast<std::uint8_t>(fill));
      ASSERT_EQ(ours(data.data(), n), oracle(data.data(), n)) << "fill " << fill << ", " << n;
    }
  }
}

TEST_P(HashOracle, LargeInputsInRandomPieces) {
  for (const std::size_t n :
       {std::size_t{3} << 20, (std::size_t{5} << 20) + 17, (std::size_t{8} << 20) - 1}) {
    const Bytes data = random_bytes(n, static_cast<std::uint32_t>(n));
    std::mt19937 gen(static_cast<std::uint32_t>(n) + 1);  // NOLINT(cert-msc51-cpp): reproducible
    Context context(engine_, pairing_.function);
    for (std::size_t at = 0; at < n;) {
      const std::size_t piece = std::min<std::size_t>(gen() % 300001, n - at);
      context.update(data.data() + at, piece);
      at += piece;
    }
    Value value{};
    context.finish(value);
    ASSERT_EQ(value, oracle(data.data(), n)) << n << " bytes";
  }
}

// The engine's own number of lanes and 1 to 4, each lane with its own file and its own piece
// size, so that the lanes run dry at different times and the engine steps them alone, in
// groups and in turn.
TEST_P(HashOracle, LanesOfDifferentFilesAndPieces) {
  std::mt19937 gen(3);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible sizes
  const Bytes data = random_bytes(131072 + 4096, 4);
  for (const std::size_t n : {0, 1, 2, 3, 4}) {
    verolt::hash::Lanes lanes(engine_, pairing_.function, n);
    std::vector<Bytes> files;
    for (std::size_t l = 0; l < lanes.size(); ++l) {
      const std::size_t around[] = {gen() % 130, 4096 - 60 + gen() % 121,
                                    131072 - 60 + gen() % 121};
      const std::size_t size = around[(l + n) % 3];
      files.emplace_back(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(size));
    }
    const std::vector<Value> values = verolt::test::hash_all(
        lanes, files, [&](std::size_t l) { return 700 + 333 * l + gen() % 64; });
    for (std::size_t l = 0; l < files.size(); ++l) {
      ASSERT_EQ(values[l], oracle(files[l].data(), files[l].size()))
          << "lane " << l << " of " << lanes.size() << ", " << files[l].size() << " bytes";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Functions, HashOracle,
                         ::testing::Combine(::testing::ValuesIn(kPairings),
                                            ::testing::ValuesIn(verolt::hash::kEngines)),
                         [](const ::testing::TestParamInfo<std::tuple<Pairing, Engine>>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  engine_name(std::get<1>(info.param));
                         });

}  // namespace
