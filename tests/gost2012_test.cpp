// GOST R 34.11-2012 on every engine the processor has: the standard's examples and known answers,
// whole and a byte at a time, and the compression function against a model written from its
// definition, a bit at a time, across the carries of the counter and the sum that no message
// short enough to hash could reach.
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

// Bytes i*131+17 mod 256: lengths that end inside a block, and past several blocks and a read.
Bytes counting_bytes(std::size_t n) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>((131 * i + 17) % 256);
  return bytes;
}

// The standard's examples, and values libgcrypt gives (an independent implementation).
TEST(Gost2012, KnownAnswersOnEveryEngine) {
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
      // No block, one whole block, one block and a byte.
      {counting_bytes(0), 256, "3f539a213e97c802cc229d474c6aa32a825a360b2a933a949fd925208d9ce1bb"},
      {counting_bytes(64), 256, "6d40bd8dbf98027222c36566ee6e9e718892c6a140d1cae8b3239804ef630201"},
      {counting_bytes(65), 256, "cbe189d1c90db5f85cae1f02c6c878cfa6264d17930dfc4a80369b2d0fe0f2c4"},
      {counting_bytes(1000), 256,
       "3f6c798bac32f6404f270fa8a4e5acc285340c1dc47d8dba7e9ff164e3bf4ea6"},
      {counting_bytes(4097), 256,
       "ebcd84a400a7b4b1f1879b19af26c8f978e0d1b4f4f0a7127c1dc97b656c64ea"},
      {counting_bytes(0), 512,
       "8e945da209aa869f0455928529bcae4679e9873ab707b55315f56ceb98bef0a7362f715528356ee83cda5f2aac"
       "4c6ad2ba3a715c1bcd81cb8e9f90bf4c1c1a8a"},
      {counting_bytes(64), 512,
       "bffc3665eb83815d103debed7e31a375e6c7ed633442b318a5edb12c2f6476c15e3f50b9fa117dc276d50e8f22"
       "4684701dfdda206a5f2c1a460621511b198328"},
      {counting_bytes(65), 512,
       "1617901a1b2c114e568dfe100480fba50db287cfe6a6673fa7a5a19f4409e35a35819e264210eef7b841505aef"
       "681f90aee38af1ed784e86ff3375a9e5cdd58d"},
      {counting_bytes(1000), 512,
       "e1e86865fa1cae266017f135dd690d7d4ebdb34148e3558691608ca25a6cf697aa5f676048dcf7e786d59def49"
       "be2b6fb5f0dd44eaeedfda24eb0ae6c281a09f"},
      {counting_bytes(4097), 512,
       "ceee3feb14bafa0db5c753745dd5631c66a1254e9db25cb5ad191309dc82c787752987677509295a3f7c8883c0"
       "ec6dafe941b6861c5b37b30733cad6b636d5d2"},
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
