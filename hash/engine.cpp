// What this processor and system can run, read once, and the names of the engines.
#include "hash/engine.h"

#include <algorithm>
#include <iterator>

#include "hash/x86.h"

#if VEROLT_X86
#include <cpuid.h>
#endif

namespace verolt::hash {

namespace {

// What the processor offers and the system saves on a context switch, read once. The vector
// engines are compiled under the same condition as this test, so "supported" also means "built".
struct Features {
  bool avx2 = false;
  bool avx512 = false;
  bool amdFamily1A = false;  // AMD Zen 5
};

#if VEROLT_X86
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
  unsigned vendor[3] = {};
  if (__get_cpuid(0, &a, &vendor[0], &vendor[2], &vendor[1]) != 0 &&
      __get_cpuid(1, &a, &b, &c, &d) != 0) {
    const bool amd = vendor[0] == 0x68747541u && vendor[1] == 0x69746e65u &&  // "AuthenticAMD"
                     vendor[2] == 0x444d4163u;
    const unsigned base = a >> 8 & 0xFu;
    const unsigned family = base == 0xFu ? base + (a >> 20 & 0xFFu) : base;
    found.amdFamily1A = amd && family == 0x1Au;
  }
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
    case Engine::automatic:
      return true;
  }
  return false;
}

Engine best_engine() {
  if (engine_supported(Engine::avx512)) return Engine::avx512;
  if (engine_supported(Engine::avx2)) return Engine::avx2;
  return Engine::portable;
}

// One stream of GOST R 34.11-94 is a chain of rounds, so its speed is the latency of a round,
// and which engine's round is shortest differs by processor. On Intel processors with AVX-512,
// and on an earlier EPYC (546 against 652 ms for 128 MiB), the AVX-512 step is the faster. On AMD
// family 1Ah (Zen 5) the AVX2 step is, 259 against 214 MB/s, while the AVX-512 lanes are still
// four times the AVX2 ones there. Elsewhere the widest engine is taken.
Engine one_stream_engine() {
  if (features().amdFamily1A && features().avx2) return Engine::avx2;
  return best_engine();
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
    case Engine::automatic:
      return "automatic";
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
