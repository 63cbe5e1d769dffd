// Which engines this processor and system can run, and the choice among them.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gost/engines.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VEROLT_GOST_X86 1
#include <cpuid.h>
#else
#define VEROLT_GOST_X86 0
#endif

namespace verolt::gost {

namespace detail {

#if VEROLT_GOST_X86

namespace {

// What the processor offers and the system saves on a context switch, read once.
struct Features {
  bool avx2 = false;
  bool avx512 = false;
};

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
  found.avx512 = zmm_saved && found.avx2 && f && bw && vl && vbmi;
  return found;
}

const Features& features() {
  static const Features kFeatures = read_features();
  return kFeatures;
}

}  // namespace

bool processor_has_avx2() { return features().avx2; }
bool processor_has_avx512() { return features().avx512; }

#else

bool processor_has_avx2() { return false; }
bool processor_has_avx512() { return false; }

#endif

}  // namespace detail

namespace {

const detail::EngineEntry* entry_of(Engine engine) {
  switch (engine) {
    case Engine::portable:
      return &detail::portable_engine();
    case Engine::avx2:
      return detail::avx2_engine();
    case Engine::avx512:
      return detail::avx512_engine();
  }
  return nullptr;
}

// The entry of the engine, or of the best one where the processor lacks it.
const detail::EngineEntry& usable_entry(Engine engine) {
  const detail::EngineEntry* entry = entry_of(engine);
  return entry != nullptr ? *entry : *entry_of(best_engine());
}

}  // namespace

bool engine_supported(Engine engine) { return entry_of(engine) != nullptr; }

Engine best_engine() {
  if (engine_supported(Engine::avx512)) return Engine::avx512;
  if (engine_supported(Engine::avx2)) return Engine::avx2;
  return Engine::portable;
}

Engine default_engine() {
  const char* chosen = std::getenv("VEROLT_ENGINE");  // NOLINT(concurrency-mt-unsafe): only read
  const Engine best = best_engine();
  // Empty is unset, as it is on Windows, where setting a variable to nothing removes it.
  if (chosen == nullptr || *chosen == '\0') return best;
  bool known = false;
  for (const Engine engine : {Engine::portable, Engine::avx2, Engine::avx512}) {
    if (std::strcmp(chosen, engine_name(engine)) != 0) continue;
    if (engine_supported(engine)) return engine;
    known = true;
  }
  // Told once per run, however many hashes ask; it never reaches standard output.
  static std::atomic<bool> told{false};
  if (!told.exchange(true)) {
    const std::string why = known ? " cannot run on this processor; using "
                                  : " is no engine (portable, avx2, avx512); using ";
    const std::string note =
        std::string("verolt: VEROLT_ENGINE=") + chosen + why + engine_name(best) + "\n";
    static_cast<void>(std::fputs(note.c_str(), stderr));
  }
  return best;
}

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

void gost_steps(Engine engine, const EngineTables& tables, std::uint8_t h[32],
                std::uint8_t* checksum, const std::uint8_t* blocks, std::size_t count) {
  if (count > 0) usable_entry(engine).one(tables, h, checksum, blocks, count);
}

std::size_t engine_streams(Engine engine) {
  const detail::EngineEntry& entry = usable_entry(engine);
  return entry.unit << (entry.levels - 1);
}

namespace {

constexpr std::size_t kMaxWidth = 16;  // the widest group of any engine

// Steps `filled` streams (at most the widest group) with the fewest places to spare: the widest
// groups that they fill, then the rest in the narrowest group, or alone.
void step_group(const detail::EngineEntry& entry, const EngineTables& tables,
                const Stream* const* streams, std::size_t filled, std::size_t count) {
  std::uint8_t scratch[kMaxWidth][32] = {};
  Stream spare[kMaxWidth] = {};
  const Stream* group[kMaxWidth] = {};
  std::size_t at = 0;
  while (at < filled) {
    const std::size_t left = filled - at;
    if (left == 1) {
      const Stream& s = *streams[at];
      entry.one(tables, s.h, s.checksum, s.blocks, count);
      return;
    }
    std::size_t level = entry.levels - 1;
    while (level > 0 && (entry.unit << level) > left) --level;
    const std::size_t width = entry.unit << level;
    const std::size_t real = left < width ? left : width;
    for (std::size_t g = 0; g < width; ++g) {
      if (g < real) {
        group[g] = streams[at + g];
      } else {
        // A copy of the first stream's blocks into a value nobody reads.
        spare[g] = {scratch[g], nullptr, streams[at]->blocks, count};
        group[g] = &spare[g];
      }
    }
    entry.groups[level](tables, group, count);
    at += real;
  }
}

}  // namespace

std::size_t gost_steps_streams(Engine engine, const EngineTables& tables, Stream* streams,
                               std::size_t n) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (streams[i].count == 0) continue;
    count = count == 0 || streams[i].count < count ? streams[i].count : count;
  }
  if (count == 0) return 0;

  const detail::EngineEntry& entry = usable_entry(engine);
  const std::size_t widest = engine_streams(engine);
  const std::size_t width = widest < kMaxWidth ? widest : kMaxWidth;
  const Stream* group[kMaxWidth] = {};
  std::size_t filled = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (streams[i].count == 0) continue;
    group[filled++] = &streams[i];
    if (filled == width) {
      step_group(entry, tables, group, filled, count);
      filled = 0;
    }
  }
  if (filled > 0) step_group(entry, tables, group, filled, count);

  for (std::size_t i = 0; i < n; ++i) {
    Stream& s = streams[i];
    if (s.count == 0) continue;
    s.blocks += kBlockSize * count;
    s.count -= count;
  }
  return count;
}

}  // namespace verolt::gost
