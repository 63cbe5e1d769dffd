// Throughput of the hash engine per engine and parameter set: a large buffer measures the step
// function alone, small inputs add the cost of reset and finalisation that every file pays.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gost/hash.h"

namespace {

using verolt::gost::Engine;

// The content does not matter to the engine's speed; it only must not be all zero.
std::vector<std::uint8_t> sample(std::size_t n) {
  std::vector<std::uint8_t> data(n);
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  return data;
}

// Arguments: engine (0 portable, 1 avx512), parameter set, bytes.
void hash_buffer(benchmark::State& state) {
  const Engine engine = state.range(0) == 0 ? Engine::portable : Engine::avx512;
  if (!verolt::gost::engine_supported(engine)) {
    state.SkipWithError("this processor lacks the engine's instructions");
    return;
  }
  state.SetLabel(verolt::gost::engine_name(engine));
  const int set = static_cast<int>(state.range(1));
  const auto data = sample(static_cast<std::size_t>(state.range(2)));
  verolt::gost::HashContext context(engine);
  verolt::gost::HashValue value{};
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    context.hash_reset(set);
    context.hash_update(data.data(), data.size());
    context.hash_finish(value);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(data.size()));
}

void hash_reset(benchmark::State& state) {
  verolt::gost::HashContext context;
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    context.hash_reset(static_cast<int>(state.range(0)));
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(hash_buffer)
    ->ArgNames({"engine", "set", "bytes"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}, {1 << 20}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(hash_buffer)
    ->ArgNames({"engine", "set", "bytes"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}, {1024}});
BENCHMARK(hash_reset)->ArgName("set")->Arg(2);
