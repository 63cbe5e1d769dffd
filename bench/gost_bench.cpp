// Throughput of the hash engines. hash_buffer: one stream per engine and parameter set, a large
// buffer for the step function alone and a small one for what every file pays besides.
// streams: n independent streams stepped together, as a hash list of many files runs them; its
// bytes are those of all streams, so it compares directly with one stream's figure.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "hash/gost94/hash.h"
#include "hash/gost94/hash_lanes.h"

namespace {

using verolt::hash::Engine;

// The content does not matter to the engine's speed; it only must not be all zero.
std::vector<std::uint8_t> sample(std::size_t n) {
  std::vector<std::uint8_t> data(n);
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  return data;
}

constexpr Engine kEngines[] = {Engine::portable, Engine::avx2, Engine::avx512};

bool usable(benchmark::State& state, Engine engine) {
  if (verolt::hash::engine_supported(engine)) {
    state.SetLabel(verolt::hash::engine_name(engine));
    return true;
  }
  state.SkipWithError("this processor lacks the engine's instructions");
  return false;
}

// Arguments: engine (0 portable, 1 avx2, 2 avx512), parameter set, bytes.
void hash_buffer(benchmark::State& state) {
  const Engine engine = kEngines[state.range(0)];
  if (!usable(state, engine)) return;
  const int set = static_cast<int>(state.range(1));
  const auto data = sample(static_cast<std::size_t>(state.range(2)));
  verolt::gost94::HashContext context(engine);
  verolt::gost94::HashValue value{};
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    context.hash_reset(set);
    context.hash_update(data.data(), data.size());
    context.hash_finish(value);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(data.size()));
}

// Arguments: engine, streams in flight, bytes of each. Set 2; the engines do not care.
void streams(benchmark::State& state) {
  const Engine engine = kEngines[state.range(0)];
  if (!usable(state, engine)) return;
  const auto n = static_cast<std::size_t>(state.range(1));
  const auto bytes = static_cast<std::size_t>(state.range(2));
  const auto data = sample(bytes * n);
  verolt::gost94::HashLanes lanes(engine, 2, n);
  verolt::gost94::HashValue value{};
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    for (std::size_t i = 0; i < n; ++i) lanes.feed(i, data.data() + bytes * i, bytes);
    lanes.run();
    for (std::size_t i = 0; i < n; ++i) lanes.finish(i, value);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes * n));
}

void hash_reset(benchmark::State& state) {
  verolt::gost94::HashContext context(verolt::hash::best_engine());
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    context.hash_reset(static_cast<int>(state.range(0)));
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(hash_buffer)
    ->ArgNames({"engine", "set", "bytes"})
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}, {1 << 20}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(hash_buffer)->ArgNames({"engine", "set", "bytes"})->ArgsProduct({{0, 1, 2}, {2}, {1024}});
BENCHMARK(streams)
    ->ArgNames({"engine", "streams", "bytes"})
    ->ArgsProduct({{0, 1, 2}, {1, 2, 4, 8, 16}, {1 << 18}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(hash_reset)->ArgName("set")->Arg(2);
