// What this processor and system can run, read once, and the names of the engines.
#include "hash/engine.h"

#include <algorithm>
#include <iterator>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VEROLT_HASH_X86 1
#include <cpuid.h>
#else
#define VEROLT_HASH_X86 0
#endif

namespace verolt::hash {

namespace {

// What the processor offers and the system saves on a context switch, read once. The vector
// engines are compiled under the same condition as this test, so "supported" also means "built".
struct Features {
  bool avx2 = false;
  bool avx512 = false;
};

#if VEROLT_HASH_X86
Features read_features() {
  Features found;
  unsigned a = 0;
  unsigned b = 0;
  unsigned c = 0;
  unsigned d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0) return found;
  const bool osxsave = (c >> 27 & 1) != 0;
  const bool avx = (c >> 28 & 1) != 0;
  if (!osxsave || !avx) return found;
  // XCR0 says which register state the system saves: xgetbv works the same on Linux and Windows.
  unsigned xcr0 = 0;
  unsigned xcr0_high = 0;
  __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0_high) : "c"(0));
  const bool ymm_saved = (xcr0 & 0x06u) == 0x06u;  // SSE and the upper halves of ymm
  const bool zmm_saved = (xcr0 & 0xE6u) == 0xE6u;  // and opmasks, upper zmm0..15, zmm16..31
  if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return found;
  found.avx2 = ymm_saved && (b >> 5 & 1) != 0;
  const bool f = (b >> 16 & 1) != 0;
  const bool bw = (b >> 30 & 1) != 0;
  const bool vl = (b >> 31 & 1) != 0;
  const bool vbmi = (c >> 1 & 1) != 0;
  // GOST R 34.11-2012's engine needs GFNI's matrix products too. Of the processors with VBMI only
  // Cannon Lake lacks them, so one engine name is still enough for both functions.
  const bool gfni = (c >> 8 & 1) != 0;
  found.avx512 = zmm_saved && found.avx2 && f && bw && vl && vbmi && gfni;
  return found;
}

#else
Features read_features() { return {}; }
#endif

const Features& features() {
  static const Features kFeatures = read_features();
  return kFeatures;
}

}  // namespace

bool engine_supported(Engine engine) {
  switch (engine) {
    case Engine::portable:
      return true;
    case Engine::avx2:
      return features().avx2;
    case Engine::avx512:
      return features().avx512;
  }
  return false;
}

Engine best_engine() {
  if (engine_supported(Engine::avx512)) return Engine::avx512;
  if (engine_supported(Engine::avx2)) return Engine::avx2;
  return Engine::portable;
}

Engine usable_engine(Engine engine) { return engine_supported(engine) ? engine : best_engine(); }

const char* engine_name(Engine engine) {
  switch (engine) {
    case Engine::portable:
      return "portable";
    case Engine::avx2:
      return "avx2";
    case Engine::avx512:
      return "avx512";
  }
  return "portable";
}

std::optional<Engine> engine_from_name(std::string_view name) {
  const auto* found = std::find_if(std::begin(kEngines), std::end(kEngines),
                                   [&](Engine engine) { return name == engine_name(engine); });
  if (found == std::end(kEngines)) return std::nullopt;
  return *found;
}

}  // namespace verolt::hash
