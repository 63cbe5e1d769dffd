// The vector engines against the portable one: same steps, same checksums, same hashes, on random
// data, for every parameter set; and the choice of engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hash/gost94/engine_portable.h"
#include "hash/gost94/hash.h"
#include "hash/gost94/steps.h"

namespace {

using verolt::gost94::build_engine_tables;
using verolt::gost94::build_substitution_tables;
using verolt::gost94::EngineTables;
using verolt::gost94::gost_step;
using verolt::gost94::gost_steps;
using verolt::gost94::HashContext;
using verolt::gost94::HashValue;
using verolt::gost94::parameter_set;
using verolt::gost94::SubstitutionTables;
using verolt::hash::best_engine;
using verolt::hash::Engine;
using verolt::hash::engine_name;
using verolt::hash::engine_supported;

using Bytes = std::vector<std::uint8_t>;

Bytes random_bytes(std::mt19937& gen, std::size_t n) {
  Bytes data(n);
  std::generate(data.begin(), data.end(), [&gen] { return static_cast<std::uint8_t>(gen()); });
  return data;
}

EngineTables tables_of(int set) {
  SubstitutionTables bytes;
  build_substitution_tables(parameter_set(set), bytes);
  EngineTables tables;
  build_engine_tables(bytes, tables);
  return tables;
}

class VectorEngines : public ::testing::TestWithParam<Engine> {};

#define SKIP_WITHOUT_VECTOR_ENGINE()                                                              \
  const Engine engine = GetParam();                                                               \
  if (!engine_supported(engine)) {                                                                \
    GTEST_SKIP() << "the processor lacks the " << engine_name(engine) << " engine: not compared"; \
  }

TEST_P(VectorEngines, OneStepAgreesOnRandomValues) {
  SKIP_WITHOUT_VECTOR_ENGINE();
  std::mt19937 gen(1);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  for (const int set : {0, 1, 2}) {
    const EngineTables tables = tables_of(set);
    for (int round = 0; round < 300; ++round) {
      Bytes h = random_bytes(gen, 32);
      Bytes m = random_bytes(gen, 32);
      // A few extremes among the random values: zero and all-ones words.
      if (round == 0) std::fill(h.begin(), h.end(), 0);
      if (round == 1) std::fill(m.begin(), m.end(), 0);
      if (round == 2) std::fill(h.begin(), h.end(), 0xFF);
      if (round == 3) std::fill(m.begin(), m.end(), 0xFF);
      Bytes expected = h;
      gost_step(tables.round, expected.data(), m.data());
      gost_steps(engine, tables, h.data(), nullptr, m.data(), 1);
      ASSERT_EQ(h, expected) << "set " << set << " round " << round;
    }
  }
}

TEST_P(VectorEngines, RunsOfStepsAgreeWithTheirChecksums) {
  SKIP_WITHOUT_VECTOR_ENGINE();
  std::mt19937 gen(2);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  for (const int set : {0, 1, 2}) {
    const EngineTables tables = tables_of(set);
    for (int round = 0; round < 40; ++round) {
      const std::size_t count = gen() % 70;
      Bytes blocks = random_bytes(gen, 32 * count);
      // Some runs of all-ones blocks, so that carries run through the whole checksum.
      if (round % 5 == 0) std::fill(blocks.begin(), blocks.end(), 0xFF);
      Bytes h = random_bytes(gen, 32);
      Bytes checksum = random_bytes(gen, 32);
      Bytes h_portable = h;
      Bytes checksum_portable = checksum;
      gost_steps(Engine::portable, tables, h_portable.data(), checksum_portable.data(),
                 blocks.data(), count);
      gost_steps(engine, tables, h.data(), checksum.data(), blocks.data(), count);
      ASSERT_EQ(h, h_portable) << "set " << set << " blocks " << count;
      ASSERT_EQ(checksum, checksum_portable) << "set " << set << " blocks " << count;
    }
  }
}

TEST_P(VectorEngines, HashesAgreeForManyLengthsAndCuts) {
  SKIP_WITHOUT_VECTOR_ENGINE();
  std::mt19937 gen(3);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  const Bytes data = random_bytes(gen, 20000);
  for (const int set : {0, 1, 2}) {
    HashContext portable(Engine::portable);
    HashContext vector(engine);
    for (int round = 0; round < 200; ++round) {
      // Short lengths around the block size, and longer ones.
      const std::size_t length = round < 100 ? static_cast<std::size_t>(round) : gen() % 20000;
      HashValue expected{};
      portable.hash_reset(set);
      portable.hash_update(data.data(), length);
      portable.hash_finish(expected);

      vector.hash_reset(set);
      std::size_t at = 0;
      while (at < length) {
        const std::size_t n = std::min<std::size_t>(gen() % 200, length - at);
        vector.hash_update(data.data() + at, n);
        at += n;
      }
      HashValue value{};
      vector.hash_finish(value);
      ASSERT_EQ(value, expected) << "set " << set << " length " << length;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(GostEngines, VectorEngines,
                         ::testing::Values(Engine::avx2, Engine::avx512),
                         [](const ::testing::TestParamInfo<Engine>& info) {
                           return std::string(engine_name(info.param));
                         });

TEST(GostEngines, ContextKeepsASupportedEngine) {
  EXPECT_EQ(HashContext(Engine::portable).engine(), Engine::portable);
  for (const Engine engine : {Engine::avx2, Engine::avx512}) {
    EXPECT_EQ(HashContext(engine).engine(), engine_supported(engine) ? engine : best_engine());
  }
  EXPECT_TRUE(engine_supported(Engine::portable));
  // AVX-512 VBMI comes with AVX2: the best engine never passes over one the processor has.
  EXPECT_TRUE(!engine_supported(Engine::avx512) || engine_supported(Engine::avx2));
}

}  // namespace
