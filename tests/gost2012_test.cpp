// GOST R 34.11-2012 on every engine the processor has: the standard's examples, and the
// compression function against a model written from its definition, a bit at a time, across the
// carries of the counter and the sum that no message short enough to hash could reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "hash/function.h"
#include "hash/gost2012/constants.h"
#include "hash/gost2012/linear.h"
#include "hash/gost2012/steps.h"

namespace {

using verolt::gost2012::Chain;
using verolt::hash::Engine;
using Bytes = std::vector<std::uint8_t>;

std::vector<Engine> engines() {
  std::vector<Engine> found;
  std::copy_if(std::begin(verolt::hash::kEngines), std::end(verolt::hash::kEngines),
               std::back_inserter(found), verolt::hash::engine_supported);
  return found;
}

Bytes from_hex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// ---- The model: 512-bit values as 64 bytes, the least significant first ----

using Value = std::array<std::uint8_t, 64>;

Value value_of(const std::uint64_t words[8]) {
  Value v{};
  for (int b = 0; b < 64; ++b) v[b] = static_cast<std::uint8_t>(words[b / 8] >> (8 * (b % 8)));
  return v;
}

Value operator^(Value a, const Value& b) {
  for (int i = 0; i < 64; ++i) a[i] ^= b[i];
  return a;
}

// a + b modulo 2^512.
Value operator+(Value a, const Value& b) {
  unsigned carry = 0;
  for (int i = 0; i < 64; ++i) {
    carry += a[i] + b[i];
    a[i] = static_cast<std::uint8_t>(carry);
    carry >>= 8;
  }
  return a;
}

// S, then P (byte 8i + j from byte 8j + i), then l on each word: bit t of a word adds kA[63 - t].
Value lps(const Value& a) {
  using verolt::gost2012::detail::kA;
  using verolt::gost2012::detail::kPi;
  Value p{};
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) p[8 * i + j] = kPi[a[8 * j + i]];
  }
  Value out{};
  for (int w = 0; w < 8; ++w) {
    for (int t = 0; t < 64; ++t) {
      if ((p[8 * w + t / 8] >> (t % 8) & 1) == 0) continue;
      for (int b = 0; b < 8; ++b)
        out[8 * w + b] ^= static_cast<std::uint8_t>(kA[63 - t] >> (8 * b));
    }
  }
  return out;
}

// g_N(h, m) = E(LPS(h ^ N), m) ^ h ^ m, E's keys K_(i+1) = LPS(K_i ^ C_i).
Value g(const Value& n, const Value& h, const Value& m) {
  Value k = lps(h ^ n);
  Value s = m;
  for (const auto& c : verolt::gost2012::detail::kC) {
    s = lps(k ^ s);
    k = lps(k ^ value_of(c));
  }
  return k ^ s ^ h ^ m;
}

struct ModelChain {
  Value h;
  Value counter;
  Value sigma;
};

void model_blocks(ModelChain& chain, const std::uint8_t* blocks, std::size_t count) {
  Value block_bits{};
  block_bits[1] = 2;  // 512
  for (std::size_t b = 0; b < count; ++b) {
    Value m{};
    for (int i = 0; i < 64; ++i) m[i] = blocks[64 * b + i];
    chain.h = g(chain.counter, chain.h, m);
    chain.counter = chain.counter + block_bits;
    chain.sigma = chain.sigma + m;
  }
}

void expect_chain(const Chain& chain, const ModelChain& model, const std::string& what) {
  EXPECT_EQ(value_of(chain.h), model.h) << what;
  EXPECT_EQ(value_of(chain.counter), model.counter) << what;
  EXPECT_EQ(value_of(chain.sigma), model.sigma) << what;
}

// ---- Tests ----

TEST(Gost2012, ExamplesOfTheStandardOnEveryEngine) {
  const std::string m1 = "012345678901234567890123456789012345678901234567890123456789012";
  // "Се ветри, Стрибожи внуци, веютъ с моря стрелами на храбрыя плъкы Игоревы" in Windows-1251.
  const Bytes m2 = from_hex(
      "d1e520e2e5f2f0e82c20d1f2f0e8e1eee6e820e2edf3f6e82c20e2e5fef2fa20f120ecee"
      "f0ff20f1f2f0e5ebe0ece820ede020f5f0e0e1f0fbff20efebfaeafb20c8e3eef0e5e2fb");
  const struct {
    Bytes message;
    int bits;
    const char* value;
  } cases[] = {
      {Bytes(m1.begin(), m1.end()), 256,
       "9d151eefd8590b89daa6ba6cb74af9275dd051026bb149a452fd84e5e57b5500"},
      {Bytes(m1.begin(), m1.end()), 512,
       "1b54d01a4af5b9d5cc3d86d68d285462b19abc2475222f35c085122be4ba1ffa00ad30f8767b3a82384c6574f0"
       "24c311e2a481332b08ef7f41797891c1646f48"},
      {m2, 256, "9dd2fe4e90409e5da87f53976d7405b0c0cac628fc669a741d50063c557e8f50"},
      {m2, 512,
       "1e88e62226bfca6f9994f1f2d51569e0daf8475a3b0fe61a5300eee46d961376035fe83549ada2b8620fcd7c49"
       "6ce5b33f0cb9dddc2b6460143b03dabac9fb28"},
  };
  for (const Engine engine : engines()) {
    for (const auto& c : cases) {
      const verolt::hash::Function function = verolt::hash::Function::gost2012(c.bits);
      const Bytes expected = from_hex(c.value);
      const std::string what = std::string(verolt::hash::engine_name(engine)) + ", " +
                               std::to_string(c.message.size()) + " bytes, " +
                               std::to_string(c.bits) + " bits";
      verolt::hash::Value value =
          verolt::hash::hash_bytes(function, c.message.data(), c.message.size(), engine);
      EXPECT_EQ(Bytes(value.data(), value.data() + value.size()), expected) << what;
      // Fed a byte at a time, the buffering around the blocks gives the same.
      verolt::hash::Context context(engine, function);
      for (const std::uint8_t byte : c.message) context.update(&byte, 1);
      context.finish(value);
      EXPECT_EQ(Bytes(value.data(), value.data() + value.size()), expected) << what << ", bytewise";
    }
  }
}

// Each case runs four blocks from its counter and sum, alone and as one of two streams stepped
// together; words not given are zero.
TEST(Gost2012, BlocksAgreeWithTheModelAcrossCarries) {
  constexpr std::uint64_t kOnes = ~std::uint64_t{0};
  constexpr std::uint64_t kTwoBlocksShort = kOnes - 1023;  // 2^64 - 1024
  const struct {
    const char* name;
    std::uint64_t counter[8];
    std::uint64_t sigma[8];
    int fill;  // the byte of every block, or -1 for random blocks
  } cases[] = {
      {"counter passes 2^64 bits", {kTwoBlocksShort}, {}, -1},
      {"counter carries through three words", {kTwoBlocksShort, kOnes, kOnes, 7}, {}, -1},
      {"counter wraps around 2^512",
       {kTwoBlocksShort, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes},
       {},
       -1},
      {"sum carries through every word",
       {1024},
       {kOnes, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes},
       0xFF},
      {"sum carries from one word", {0}, {kOnes - 5, 3}, 0x80},
  };
  constexpr std::size_t kCount = 4;
  std::mt19937 gen(1);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  for (const auto& c : cases) {
    // The second stream of a pair hashes other blocks from another h, a block further on, so
    // that nothing of one stream can stand in for the other's.
    Bytes blocks[2] = {Bytes(64 * kCount), Bytes(64 * kCount)};
    Chain start[2] = {};
    ModelChain model[2];
    for (int i = 0; i < 2; ++i) {
      std::generate(blocks[i].begin(), blocks[i].end(),
                    [&] { return static_cast<std::uint8_t>(c.fill >= 0 ? c.fill ^ i : gen()); });
      std::generate(std::begin(start[i].h), std::end(start[i].h),
                    [&] { return std::uint64_t{gen()} << 32 | gen(); });
      std::copy(std::begin(c.counter), std::end(c.counter), start[i].counter);
      start[i].counter[0] -= 512 * static_cast<std::uint64_t>(i);
      std::copy(std::begin(c.sigma), std::end(c.sigma), start[i].sigma);
      model[i] = {value_of(start[i].h), value_of(start[i].counter), value_of(start[i].sigma)};
      model_blocks(model[i], blocks[i].data(), kCount);
    }

    for (const Engine engine : engines()) {
      const std::string what = std::string(c.name) + ", " + verolt::hash::engine_name(engine);
      Chain alone = start[0];
      verolt::gost2012::compress_blocks(verolt::gost2012::engine_entry(engine), alone,
                                        blocks[0].data(), kCount);
      expect_chain(alone, model[0], what + ", alone");

      Chain pair[2] = {start[0], start[1]};
      verolt::gost2012::Stream streams[] = {{&pair[0], blocks[0].data(), kCount},
                                            {&pair[1], blocks[1].data(), kCount}};
      ASSERT_EQ(
          verolt::gost2012::compress_streams(verolt::gost2012::engine_entry(engine), streams, 2),
          kCount);
      expect_chain(pair[0], model[0], what + ", first of two");
      expect_chain(pair[1], model[1], what + ", second of two");
    }
  }
}

TEST(Gost2012, AdditionCarries) {
  constexpr std::uint64_t kOnes = ~std::uint64_t{0};
  const struct {
    const char* name;
    std::uint64_t sum[8];
    std::uint64_t add[8];
    std::uint64_t expected[8];
  } cases[] = {
      {"into the next word", {kOnes}, {1}, {0, 1}},
      {"through a word the addend fills", {kOnes, kOnes}, {1, kOnes}, {0, kOnes, 1}},
      {"through several words", {kOnes - 511, kOnes, kOnes, 5}, {512}, {0, 0, 0, 6}},
      {"out of the top word, lost",
       {kOnes, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes},
       {1},
       {}},
  };
  for (const auto& c : cases) {
    std::uint64_t sum[8];
    std::copy(std::begin(c.sum), std::end(c.sum), sum);
    verolt::gost2012::detail::add512(sum, c.add);
    EXPECT_TRUE(std::equal(std::begin(sum), std::end(sum), std::begin(c.expected))) << c.name;
    // The counter's own addition, of a single word.
    if (std::all_of(std::begin(c.add) + 1, std::end(c.add),
                    [](std::uint64_t w) { return w == 0; })) {
      std::copy(std::begin(c.sum), std::end(c.sum), sum);
      verolt::gost2012::detail::add512(sum, c.add[0]);
      EXPECT_TRUE(std::equal(std::begin(sum), std::end(sum), std::begin(c.expected)))
          << c.name << ", one word";
    }
  }
}

}  // namespace
