// Throughput of the hash engine per parameter set: a large buffer measures the step function
// alone, small inputs add the cost of reset and finalisation that every file pays.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gost/hash.h"

namespace {

// The content does not matter to the engine's speed; it only must not be all zero.
std::vector<std::uint8_t> sample(std::size_t n) {
  std::vector<std::uint8_t> data(n);
  for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  return data;
}

void hash_buffer(benchmark::State& state) {
  const int set = static_cast<int>(state.range(0));
  const auto data = sample(static_cast<std::size_t>(state.range(1)));
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    benchmark::DoNotOptimize(verolt::gost::hash_bytes(set, data.data(), data.size()));
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
    ->ArgNames({"set", "bytes"})
    ->ArgsProduct({{0, 1, 2}, {1 << 20}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(hash_buffer)->ArgNames({"set", "bytes"})->ArgsProduct({{0, 1, 2}, {1024}});
BENCHMARK(hash_reset)->ArgName("set")->Arg(2);
