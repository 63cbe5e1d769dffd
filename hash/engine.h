// The engines every hash function of the library is computed by, and which of them this processor
// can run. The library reads no environment: a program chooses its engine once and hands it down.
#pragma once

#include <optional>
#include <string_view>

namespace verolt::hash {

// All engines of a function give the same values; they differ only in speed. `automatic` takes
// for each kind of step the engine that is fastest on this processor: the lanes of
// best_engine(), and one stream by one_stream_engine() (see there).
enum class Engine { portable, avx2, avx512, automatic };
inline constexpr Engine kEngines[] = {Engine::portable, Engine::avx2, Engine::avx512,
                                      Engine::automatic};

// The processor has the instructions and the system saves the registers they use.
bool engine_supported(Engine engine);
// The widest engine the processor can run: the fastest for lanes.
Engine best_engine();
// The engine whose step of one GOST R 34.11-94 stream is fastest here, by the rule in engine.cpp.
// GOST R 34.11-2012 has one vector engine, which is also its fastest for one stream.
Engine one_stream_engine();
// The engine itself where the processor can run it, else best_engine(). The one place where an
// engine falls back: a function's engine table is looked up only with what this returns, once
// for each context or set of lanes, so every hash of a run uses the engine the run reports.
Engine usable_engine(Engine engine);
// "portable", "avx2", "avx512" or "automatic".
const char* engine_name(Engine engine);
// The engine of that exact name (lower case); nothing for any other text.
std::optional<Engine> engine_from_name(std::string_view name);

}  // namespace verolt::hash
