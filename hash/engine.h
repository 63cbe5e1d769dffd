// The engines every hash function of the library is computed by, and which of them this processor
// can run. The library reads no environment: a program chooses its engine once and hands it down.
#pragma once

#include <optional>
#include <string_view>

namespace verolt::hash {

// All engines of a function give the same values; they differ only in speed.
enum class Engine { portable, avx2, avx512 };
inline constexpr Engine kEngines[] = {Engine::portable, Engine::avx2, Engine::avx512};

// The processor has the instructions and the system saves the registers they use.
bool engine_supported(Engine engine);
// The fastest engine the processor can run.
Engine best_engine();
// The engine itself where the processor can run it, else best_engine(): the one place where an
// engine falls back, so every hash of a run uses the engine the run reports.
Engine usable_engine(Engine engine);
// "portable", "avx2" or "avx512".
const char* engine_name(Engine engine);
// The engine of that exact name (lower case); nothing for any other text.
std::optional<Engine> engine_from_name(std::string_view name);

}  // namespace verolt::hash
