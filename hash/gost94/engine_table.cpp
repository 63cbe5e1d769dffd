// The table of engines, resolved once.
#include "hash/gost94/engines.h"

namespace verolt::gost94 {

namespace {

// The table of engines, resolved once: an engine the processor lacks has none of its own.
const detail::EngineEntry* const* engine_table() {
  static const detail::EngineEntry* const kTable[] = {
      &detail::portable_engine(),
      hash::engine_supported(Engine::avx2) ? detail::avx2_engine() : nullptr,
      hash::engine_supported(Engine::avx512) ? detail::avx512_engine() : nullptr,
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
