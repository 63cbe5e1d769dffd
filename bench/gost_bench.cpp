// Throughput of the hash engines. hash_buffer: one stream per engine and parameter set, a large
// buffer for the step function alone and a small one for what every file pays besides.
// streams: n independent streams stepped together, as a hash list of many files runs them; its
// bytes are those of all streams, so it compares directly with one stream's figure.
// hash2012_*: the same for GOST R 34.11-2012 by bits (256 or 512), with the peers that are built
// in (libgcrypt, OpenSSL's gost provider) on the same buffers, so that one run gives the ratios.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "hash/gost2012/hash.h"
#include "hash/gost94/hash.h"

#if VEROLT_BENCH_GCRYPT
#include <gcrypt.h>
#endif
#if VEROLT_BENCH_OPENSSL
#include <openssl/evp.h>
#include <openssl/provider.h>
#endif

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
  verolt::gost94::HashContext context(engine, set);
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
  verolt::gost94::HashContext context(verolt::hash::best_engine(), 2);
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    context.hash_reset(static_cast<int>(state.range(0)));
    benchmark::ClobberMemory();
  }
}

// Arguments: engine, bits, bytes.
void hash2012_buffer(benchmark::State& state) {
  const Engine engine = kEngines[state.range(0)];
  if (!usable(state, engine)) return;
  const int bits = static_cast<int>(state.range(1));
  const auto data = sample(static_cast<std::size_t>(state.range(2)));
  verolt::gost2012::HashContext context(engine, bits);
  verolt::gost2012::HashValue value{};
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    context.hash_reset(bits);
    context.hash_update(data.data(), data.size());
    context.hash_finish(value);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(data.size()));
}

// Arguments: engine, streams in flight, bytes of each. 512 bits; the engines do not care.
void hash2012_streams(benchmark::State& state) {
  const Engine engine = kEngines[state.range(0)];
  if (!usable(state, engine)) return;
  const auto n = static_cast<std::size_t>(state.range(1));
  const auto bytes = static_cast<std::size_t>(state.range(2));
  const auto data = sample(bytes * n);
  verolt::gost2012::HashLanes lanes(engine, 512, n);
  verolt::gost2012::HashValue value{};
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    for (std::size_t i = 0; i < n; ++i) lanes.feed(i, data.data() + bytes * i, bytes);
    while (!lanes.hungry(n - 1)) lanes.run();
    for (std::size_t i = 0; i < n; ++i) lanes.finish(i, value);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes * n));
}

#if VEROLT_BENCH_GCRYPT
// Arguments: bits, bytes.
void hash2012_gcrypt(benchmark::State& state) {
  if (gcry_check_version(nullptr) == nullptr) {
    state.SkipWithError("libgcrypt does not start");
    return;
  }
  const int algorithm = state.range(0) == 256 ? GCRY_MD_STRIBOG256 : GCRY_MD_STRIBOG512;
  const auto data = sample(static_cast<std::size_t>(state.range(1)));
  unsigned char value[64];
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    gcry_md_hash_buffer(algorithm, value, data.data(), data.size());
    benchmark::DoNotOptimize(value);
  }
  state.SetLabel("libgcrypt");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(data.size()));
}
#endif

#if VEROLT_BENCH_OPENSSL
// Arguments: bits, bytes. The gost provider is a package of its own (Debian
// libengine-gost-openssl); without it the case says so.
void hash2012_openssl(benchmark::State& state) {
  static OSSL_PROVIDER* const kProvider = OSSL_PROVIDER_load(nullptr, "gostprov");
  EVP_MD* md =
      kProvider == nullptr
          ? nullptr
          : EVP_MD_fetch(nullptr, state.range(0) == 256 ? "md_gost12_256" : "md_gost12_512",
                         nullptr);
  if (md == nullptr) {
    state.SkipWithError("OpenSSL's gost provider is not installed");
    return;
  }
  const auto data = sample(static_cast<std::size_t>(state.range(1)));
  unsigned char value[EVP_MAX_MD_SIZE];
  unsigned size = 0;
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    EVP_Digest(data.data(), data.size(), value, &size, md, nullptr);
    benchmark::DoNotOptimize(value);
  }
  EVP_MD_free(md);
  state.SetLabel("openssl gost provider");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(data.size()));
}
#endif

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

// 128 MiB: the step function alone, far from every cache but the tables'.
BENCHMARK(hash2012_buffer)
    ->ArgNames({"engine", "bits", "bytes"})
    ->ArgsProduct({{0, 1, 2}, {256, 512}, {1 << 20, 128 << 20}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(hash2012_buffer)
    ->ArgNames({"engine", "bits", "bytes"})
    ->ArgsProduct({{0, 2}, {512}, {1024}});
BENCHMARK(hash2012_streams)
    ->ArgNames({"engine", "streams", "bytes"})
    ->ArgsProduct({{0, 2}, {1, 2, 4}, {1 << 18}})
    ->Unit(benchmark::kMillisecond);
#if VEROLT_BENCH_GCRYPT
BENCHMARK(hash2012_gcrypt)
    ->ArgNames({"bits", "bytes"})
    ->ArgsProduct({{256, 512}, {1 << 20, 128 << 20}})
    ->Unit(benchmark::kMillisecond);
#endif
#if VEROLT_BENCH_OPENSSL
BENCHMARK(hash2012_openssl)
    ->ArgNames({"bits", "bytes"})
    ->ArgsProduct({{256, 512}, {1 << 20, 128 << 20}})
    ->Unit(benchmark::kMillisecond);
#endif
