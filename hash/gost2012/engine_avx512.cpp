// Placeholder until the vector engine lands.
#include "hash/gost2012/engines.h"
namespace verolt::gost2012::detail {
const EngineEntry* avx512_engine() { return nullptr; }
}  // namespace verolt::gost2012::detail
