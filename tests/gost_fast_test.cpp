// The vector engines' steps against the portable one's: same steps, same checksums, on random data,
// for every parameter set. Whole hashes on every engine are hash_message_test.cpp's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "hash/gost94/engine_portable.h"
#include "hash/gost94/steps.h"
#include "tests/random_bytes.h"

namespace {

using verolt::gost94::build_engine_tables;
using verolt::gost94::build_substitution_tables;
using verolt::gost94::engine_entry;
using verolt::gost94::EngineTables;
using verolt::gost94::gost_step;
using verolt::gost94::gost_steps;
using verolt::gost94::parameter_set;
using verolt::gost94::SubstitutionTables;
using verolt::hash::Engine;
using verolt::hash::engine_name;
using verolt::hash::engine_supported;
using verolt::test::Bytes;
using verolt::test::random_bytes;

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
      gost_steps(engine_entry(engine), tables, h.data(), nullptr, m.data(), 1);
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
      gost_steps(engine_entry(Engine::portable), tables, h_portable.data(),
                 checksum_portable.data(), blocks.data(), count);
      gost_steps(engine_entry(engine), tables, h.data(), checksum.data(), blocks.data(), count);
      ASSERT_EQ(h, h_portable) << "set " << set << " blocks " << count;
      ASSERT_EQ(checksum, checksum_portable) << "set " << set << " blocks " << count;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(GostEngines, VectorEngines,
                         ::testing::Values(Engine::avx2, Engine::avx512),
                         [](const ::testing::TestParamInfo<Engine>& info) {
                           return std::string(engine_name(info.param));
                         });

}  // namespace
