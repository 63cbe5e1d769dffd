// The table of engines, resolved once.
#include "hash/gost94/engines.h"

namespace verolt::gost94 {

namespace {

const detail::EngineEntry* named_entry(Engine engine) {
  switch (engine) {
    case Engine::avx2:
      return hash::engine_supported(engine) ? detail::avx2_engine() : nullptr;
    case Engine::avx512:
      return hash::engine_supported(engine) ? detail::avx512_engine() : nullptr;
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

// The table of engines, resolved once: an engine the processor lacks has none of its own.
const detail::EngineEntry* const* engine_table() {
  static const detail::EngineEntry kAutomatic = automatic_entry();
  static const detail::EngineEntry* const kTable[] = {
      named_entry(Engine::portable),
      named_entry(Engine::avx2),
      named_entry(Engine::avx512),
      &kAutomatic,
  };
  return kTable;
}

}  // namespace

namespace detail {

const EngineEntry& engine_entry(Engine engine) {
  return *engine_table()[static_cast<int>(hash::usable_engine(engine))];
}

}  // namespace detail

}  // namespace verolt::gost94
