// The table of engines, resolved once.
#include "hash/gost94/engines.h"

namespace verolt::gost94 {

namespace {

// Null for an engine the compiler could not build, which the processor check never lets through.
const detail::EngineEntry* named_entry(Engine engine) {
  switch (engine) {
    case Engine::avx2:
      return detail::avx2_engine();
    case Engine::avx512:
      return detail::avx512_engine();
    default:
      return &detail::portable_engine();
  }
}

// The widest engine's groups, with the step of one stream of the engine fastest at that.
detail::EngineEntry automatic_entry() {
  detail::EngineEntry entry = *named_entry(hash::best_engine());
  const detail::EngineEntry& alone = *named_entry(hash::one_stream_engine());
  entry.one = alone.one;
  entry.cost[0] = alone.cost[0];
  return entry;
}

}  // namespace

const detail::EngineEntry& engine_entry(Engine engine) {
  static const detail::EngineEntry kAutomatic = automatic_entry();
  static const detail::EngineEntry* const kTable[] = {
      named_entry(Engine::portable),
      named_entry(Engine::avx2),
      named_entry(Engine::avx512),
      &kAutomatic,
  };
  return *kTable[static_cast<int>(hash::usable_engine(engine))];
}

}  // namespace verolt::gost94
