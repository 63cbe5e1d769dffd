#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hash/function.h"
#include "hash/gost94/engine_portable.h"
#include "hash/gost94/tables.h"
#include "tests/random_bytes.h"

namespace {

using verolt::gost94::build_round_tables;
using verolt::gost94::build_substitution_tables;
using verolt::gost94::gost_encrypt_block;
using verolt::gost94::gost_make_keys;
using verolt::gost94::parameter_set;
using verolt::gost94::RoundTables;
using verolt::gost94::SubstitutionTables;
using verolt::hash::Engine;
using verolt::hash::Function;
using verolt::test::random_bytes;

std::string hex(const verolt::hash::Value& value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    text += kDigits[value[i] >> 4];
    text += kDigits[value[i] & 15];
  }
  return text;
}

std::string hash_hex(int set, const std::string& data,
                     Engine engine = verolt::hash::best_engine()) {
  return hex(verolt::hash::hash_bytes(Function::gost94(set), data.data(), data.size(), engine));
}

const std::string kMessage32 = "This is message, length=32 bytes";
const std::string kMessage50 = "Suppose the original message has length = 50 bytes";
const std::string kAllOnes64(64, '\xFF');

// Bytes i*131+17 mod 256: lengths that end inside a block, and past several blocks and a read.
std::string counting_bytes(std::size_t n) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((131 * i + 17) % 256);
  return bytes;
}

// One table of known answers, run against every engine this processor has: the standard's worked
// examples, and values libgcrypt gives (an independent implementation).
TEST(GostHash, KnownAnswersOnEveryEngine) {
  struct Answer {
    int set;
    std::string message;
    const char* value;
  };
  const Answer answers[] = {
      {0, "", "CE85B99CC46752FFFEE35CAB9A7B0278ABB4C2D2055CFF685AF4912C49490F8D"},
      {0, "abc", "F3134348C44FB1B2A277729E2285EBB5CB5E0F29C975BC753B70497C06A4D51D"},
      // One whole block, and one block plus a padded partial one.
      {0, kMessage32, "B1C466D37519B82E8319819FF32595E047A28CB6F83EFF1C6916A815A637FFFA"},
      {0, kMessage50, "471ABA57A60A770D3A76130635C1FBEA4EF14DE51F78B4AE57DD893B62F55208"},
      // The checksum's carry runs through all eight words here.
      {0, kAllOnes64, "13416C4EC74A63C3EC90CB1748FD462C7572C6C6B41844E48CC1184D1E916098"},
      {1, "", "6CA0B59C397B5A76248D1A13F14B2D0228E08D8DFA86C3FB4ACE01D22115E56F"},
      {1, "abc", "66C74903216753B602D24E18EC85C110380AC71741AC90E2ADBDA3E1D035FE2F"},
      {1, kAllOnes64, "31BE753D293880B38C226B932A13F85ED289CF8BAC358F644CCC88B45C94690C"},
      {2, "", "981E5F3CA30C841487830F84FB433E13AC1101569B9C13584AC483234CD656C0"},
      {2, "abc", "B285056DBF18D7392D7677369524DD14747459ED8143997E163B2986F92FD42C"},
      {2, kAllOnes64, "58504D26B3677E756BA3F4A9FD2F14B3BA5457066A4AA1D700659B90DCDDD3C6"},
      {0, counting_bytes(33), "D21F8E47351A24A54E0D00EF0EF70D395A5BEB464C2AA6C9204261B3B94DA840"},
      {2, counting_bytes(33), "E88D5F9D35B33A8FC4FA8996BBF0919BD0688661C373A75DB61AD4A45BC458B9"},
      {0, counting_bytes(1000), "04BD103D1C2C2F85E9E7C99807DDDBAD2E13E6865F7BC4EEE0BCC2F6F7769E69"},
      {2, counting_bytes(1000), "714ABBC1DF0FF73F4F1E2A543141F6D2A7581FD47F4202DC4AF3E3B264AC76D7"},
      {0, counting_bytes(4097), "9D80D1952F5CC6EAE93AC64917308B891A84A5466BFE541ED9655C695C7007C5"},
      {2, counting_bytes(4097), "1302362FD13597B58B1A1928EAEDDEFDC1FD6D6849690092598FC0195EF17418"},
  };
  for (const verolt::hash::Engine engine : verolt::hash::kEngines) {
    if (!verolt::hash::engine_supported(engine)) continue;  // the engine tests say which is missing
    for (const Answer& a : answers) {
      SCOPED_TRACE(std::string(verolt::hash::engine_name(engine)) + " set " +
                   std::to_string(a.set) + ", " + std::to_string(a.message.size()) + " bytes");
      EXPECT_EQ(hash_hex(a.set, a.message, engine), a.value);
      // Fed a byte at a time, the buffering around the blocks gives the same.
      verolt::hash::Context context(engine, Function::gost94(a.set));
      for (const char c : a.message) context.update(&c, 1);
      verolt::hash::Value value{};
      context.finish(value);
      EXPECT_EQ(hex(value), a.value);
    }
  }
}

TEST(GostHash, EveryOtherNumberMeansTheCryptoProSet) {
  for (const int set : {7, -1, 3, 1000}) {
    EXPECT_EQ(hash_hex(set, "abc"), hash_hex(2, "abc")) << "set " << set;
  }
  for (const int set : {7, -1}) {
    EXPECT_EQ(0, std::memcmp(&verolt::gost94::substitution_tables(2),
                             &verolt::gost94::substitution_tables(set), sizeof(SubstitutionTables)))
        << "set " << set;
  }
}

TEST(GostTables, EveryRowIsAPermutation) {
  for (const int set : {0, 1, 2}) {
    for (int row = 0; row < 8; ++row) {
      unsigned seen = 0;
      for (const std::uint8_t entry : parameter_set(set).rows[row]) {
        ASSERT_LT(entry, 16) << "set " << set << " row " << row;
        seen |= 1u << entry;
      }
      EXPECT_EQ(seen, 0xFFFFu) << "set " << set << " row " << row;
    }
  }
}

TEST(GostCipher, LeavesTheInputAloneAndDependsOnTheSet) {
  const auto key = random_bytes(32, 1);
  const auto block = random_bytes(8, 2);
  std::vector<std::uint8_t> outputs[3];
  for (int set = 0; set < 3; ++set) {
    SubstitutionTables tables;
    RoundTables round;
    build_substitution_tables(parameter_set(set), tables);
    build_round_tables(tables, round);
    auto in = block;
    std::vector<std::uint8_t> out(8);
    gost_encrypt_block(round, in.data(), key.data(), out.data());
    EXPECT_EQ(in, block);
    std::vector<std::uint8_t> again(8);
    gost_encrypt_block(round, in.data(), key.data(), again.data());
    EXPECT_EQ(out, again);
    outputs[set] = out;
  }
  EXPECT_NE(outputs[0], outputs[1]);
  EXPECT_NE(outputs[0], outputs[2]);
  EXPECT_NE(outputs[1], outputs[2]);
}

// P as its definition reads: output byte i + 4k is input byte 8i + k.
std::vector<std::uint8_t> permute(const std::vector<std::uint8_t>& y) {
  std::vector<std::uint8_t> out(32);
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 8; ++k) out[i + 4 * k] = y[8 * i + k];
  }
  return out;
}

// A(y4|y3|y2|y1) = (y1 ^ y2)|y4|y3|y2 on the byte representation.
std::vector<std::uint8_t> shift_a(const std::vector<std::uint8_t>& y) {
  std::vector<std::uint8_t> out(32);
  for (int b = 0; b < 24; ++b) out[b] = y[b + 8];
  for (int b = 0; b < 8; ++b) out[24 + b] = static_cast<std::uint8_t>(y[b] ^ y[b + 8]);
  return out;
}

std::vector<std::uint8_t> xor_of(const std::vector<std::uint8_t>& a,
                                 const std::vector<std::uint8_t>& b) {
  std::vector<std::uint8_t> out(32);
  for (int i = 0; i < 32; ++i) out[i] = static_cast<std::uint8_t>(a[i] ^ b[i]);
  return out;
}

const std::vector<std::uint8_t> kC3 = {
    0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00,
    0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF};

// C3 is added to U only for the third key; the fourth key's U is A of that, so with zero H and M
// the first two keys are zero, K3 = P(C3) and K4 = P(A(C3)).
TEST(GostKeys, C3IsAddedOnlyForTheThirdKey) {
  const std::uint8_t zero[32] = {};
  std::uint8_t keys[128];
  gost_make_keys(zero, zero, keys);
  const std::vector<std::uint8_t> k3 = permute(kC3);
  const std::vector<std::uint8_t> k4 = permute(shift_a(kC3));
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(keys[i], 0) << "K1 byte " << i;
    EXPECT_EQ(keys[32 + i], 0) << "K2 byte " << i;
    EXPECT_EQ(keys[64 + i], k3[i]) << "K3 byte " << i;
    EXPECT_EQ(keys[96 + i], k4[i]) << "K4 byte " << i;
  }
}

TEST(GostKeys, AgreeWithTheTransformationsAppliedOneByOne) {
  for (std::uint32_t seed = 10; seed < 30; ++seed) {
    const auto h = random_bytes(32, seed);
    const auto m = random_bytes(32, seed + 1000);
    std::uint8_t keys[128];
    gost_make_keys(h.data(), m.data(), keys);

    std::vector<std::uint8_t> u = h;
    std::vector<std::uint8_t> v = m;
    std::vector<std::vector<std::uint8_t>> expected = {permute(xor_of(u, v))};
    const std::vector<std::uint8_t> zero(32);
    for (const auto* c : {&zero, &kC3, &zero}) {
      u = xor_of(shift_a(u), *c);
      v = shift_a(shift_a(v));
      expected.push_back(permute(xor_of(u, v)));
    }
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(std::vector<std::uint8_t>(keys + 32 * k, keys + 32 * k + 32), expected[k])
          << "seed " << seed << " key K" << k + 1;
    }
  }
}

}  // namespace
