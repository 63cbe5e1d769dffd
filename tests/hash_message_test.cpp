// The bytes of a message around the steps, for every function on every engine, against its value
// hashed whole on one stream of the portable engine: pieces of every size, resets, saved states,
// and lanes with every number of streams in flight, refilled as soon as they run dry.
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
using verolt::hash::engine_supported;
using verolt::hash::Function;
using verolt::hash::Lanes;
using verolt::hash::Value;
using verolt::test::Bytes;
using verolt::test::hash_all;
using verolt::test::random_bytes;

const Function kFunctions[] = {Function::gost94(0), Function::gost94(1), Function::gost94(2),
                               Function::gost2012(256), Function::gost2012(512)};

std::string function_name(Function f) {
  return f.family == Function::Family::gost94 ? "gost94_set" + std::to_string(f.variant)
                                              : "gost2012_" + std::to_string(f.variant);
}

Value reference(Function function, const Bytes& data, std::size_t n) {
  return verolt::hash::hash_bytes(function, data.data(), n, Engine::portable);
}

Value reference(Function function, const Bytes& data) {
  return reference(function, data, data.size());
}

class HashMessage : public ::testing::TestWithParam<std::tuple<Function, Engine>> {
 protected:
  void SetUp() override {
    if (!engine_supported(engine_)) {
      GTEST_SKIP() << "the processor lacks the " << engine_name(engine_) << " engine";
    }
  }
  const Function function_ = std::get<0>(GetParam());
  const Engine engine_ = std::get<1>(GetParam());
};

// Each way of cutting a message, at every length it gives: the value is the message's, however
// the pieces fall around the blocks.
TEST_P(HashMessage, CutsGiveTheValueOfTheWhole) {
  const struct {
    const char* name;
    std::size_t lengths;  // every length below this
    std::size_t longer;   // then this many, from `longest` down to half of it
    std::size_t longest;
    std::size_t (*piece)(std::mt19937& gen);
  } cases[] = {
      {"byte by byte", 150, 0, 0, [](std::mt19937&) -> std::size_t { return 1; }},
      {"short pieces around the block, some empty, some long", 0, 50, 3000,
       [](std::mt19937& gen) -> std::size_t { return gen() % 4 == 0 ? gen() % 300 : gen() % 70; }},
      {"pieces up to 200 bytes", 100, 100, 20000,
       [](std::mt19937& gen) -> std::size_t { return gen() % 200; }},
      {"pieces past the read size", 0, 4, 600000,
       [](std::mt19937& gen) -> std::size_t { return gen() % 300000; }},
  };
  std::mt19937 gen(3);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data and cuts
  const Bytes data = random_bytes(gen, 600000);
  for (const auto& c : cases) {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < c.lengths; ++n) lengths.push_back(n);
    for (std::size_t i = 0; i < c.longer; ++i)
      lengths.push_back(c.longest - gen() % (c.longest / 2));
    Context context(engine_, function_);
    for (const std::size_t length : lengths) {
      context.reset();
      for (std::size_t at = 0; at < length;) {
        const std::size_t n = std::min(c.piece(gen), length - at);
        context.update(data.data() + at, n);
        at += n;
      }
      Value value{};
      context.finish(value);
      ASSERT_EQ(value, reference(function_, data, length)) << c.name << ", " << length << " bytes";
    }
  }
}

TEST_P(HashMessage, ResetLeavesNoTrace) {
  const Bytes first = random_bytes(77, 8);
  const Bytes second = random_bytes(150, 9);
  Context context(engine_, function_);
  context.update(first.data(), first.size());
  Value value{};
  context.finish(value);
  context.reset();
  context.update(second.data(), second.size());
  context.finish(value);
  EXPECT_EQ(value, reference(function_, second));

  // Also when the previous hash was left half way, with bytes pending in the buffer.
  context.reset();
  context.update(first.data(), 45);
  context.reset();
  context.update(second.data(), second.size());
  context.finish(value);
  EXPECT_EQ(value, reference(function_, second));
}

// A file that fails half way is taken back by assigning the copy made before it.
TEST_P(HashMessage, ACopyIsASavedState) {
  const Bytes data = random_bytes(3, 10);
  const Bytes noise = random_bytes(1000, 9);
  Context context(engine_, function_);
  context.update(data.data(), 2);
  const Context saved = context;
  context.update(noise.data(), noise.size());
  context = saved;
  context.update(data.data() + 2, 1);
  Value value{};
  context.finish(value);
  EXPECT_EQ(value, reference(function_, data));
}

TEST_P(HashMessage, LanesGiveEveryFileItsValueAlone) {
  const struct {
    const char* name;
    std::size_t files;
    std::size_t lanes;  // 0: the engine's own number
    std::size_t min_size;
    std::size_t max_size;
    std::size_t piece;
  } cases[] = {
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
  std::mt19937 gen(11);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  for (const auto& c : cases) {
    std::vector<Bytes> files;
    for (std::size_t f = 0; f < c.files; ++f) {
      files.push_back(random_bytes(gen, c.min_size + gen() % (c.max_size - c.min_size + 1)));
    }
    // All-ones files carry through the whole checksum or sum.
    std::fill(files[0].begin(), files[0].end(), 0xFF);
    Lanes lanes(engine_, function_, c.lanes);
    const std::vector<Value> values = hash_all(lanes, files, [&](std::size_t) { return c.piece; });
    for (std::size_t f = 0; f < files.size(); ++f) {
      ASSERT_EQ(values[f], reference(function_, files[f]))
          << c.name << ": file " << f << " of " << files[f].size() << " bytes, " << lanes.size()
          << " lanes";
    }
  }
}

TEST_P(HashMessage, ARestartedLaneLeavesTheOthersAlone) {
  // A file that fails to read half way is dropped by starting its lane again.
  std::mt19937 gen(12);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible data
  const Bytes a = random_bytes(gen, 5000);
  const Bytes b = random_bytes(gen, 7000);
  const Bytes c = random_bytes(gen, 3000);
  Lanes lanes(engine_, function_, 3);
  lanes.feed(0, a.data(), 2048);
  lanes.feed(1, b.data(), 2048);
  lanes.feed(2, c.data(), 1000);
  lanes.run();
  while (!lanes.hungry(0) || !lanes.hungry(1) || !lanes.hungry(2)) lanes.run();
  lanes.start(1);  // b "failed"; c takes its place
  lanes.feed(0, a.data() + 2048, a.size() - 2048);
  lanes.feed(1, c.data(), c.size());
  while (!lanes.hungry(0) || !lanes.hungry(1)) lanes.run();
  Value va{};
  Value vc{};
  lanes.finish(0, va);
  lanes.finish(1, vc);
  EXPECT_EQ(va, reference(function_, a));
  EXPECT_EQ(vc, reference(function_, c));
}

INSTANTIATE_TEST_SUITE_P(Functions, HashMessage,
                         ::testing::Combine(::testing::ValuesIn(kFunctions),
                                            ::testing::ValuesIn(verolt::hash::kEngines)),
                         [](const ::testing::TestParamInfo<std::tuple<Function, Engine>>& info) {
                           return function_name(std::get<0>(info.param)) + "_" +
                                  engine_name(std::get<1>(info.param));
                         });

TEST(HashEngines, ContextsAndLanesKeepASupportedEngine) {
  for (const Function function : {Function::gost94(2), Function::gost2012(512)}) {
    for (const Engine engine : verolt::hash::kEngines) {
      const Engine kept = engine_supported(engine) ? engine : verolt::hash::best_engine();
      EXPECT_EQ(Context(engine, function).engine(), kept) << engine_name(engine);
      EXPECT_EQ(Lanes(engine, function).engine(), kept) << engine_name(engine);
    }
  }
  EXPECT_TRUE(engine_supported(Engine::portable));
  // AVX-512 VBMI comes with AVX2: the best engine never passes over one the processor has.
  EXPECT_TRUE(!engine_supported(Engine::avx512) || engine_supported(Engine::avx2));
}

}  // namespace
