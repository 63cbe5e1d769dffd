// The one place where the program reads its environment: VEROLT_ENGINE and VEROLT_THREADS, read
// once at start-up and handed down. Nothing below app/ looks at the environment.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "hash/engine.h"

namespace verolt::app {

struct Environment {
  hash::Engine engine = hash::Engine::automatic;  // one the processor runs
  unsigned threads = 1;                           // hashing threads, 1 to 256
};

// The engines a run uses: the name, or for the automatic choice the lanes' engine, followed by
// `before`, the engine of one GOST R 34.11-94 stream and `after` where that one differs.
std::string engine_label(hash::Engine engine, std::string_view before, std::string_view after);

// What the two values ask for (null: unset; empty counts as unset, as on Windows, where setting a
// variable to nothing removes it). A value that cannot be followed falls back (to the automatic
// choice, to `cores`) and adds one line to `notes` saying which and why.
Environment environment_from(const char* engine, const char* threads, unsigned cores,
                             std::string& notes);
// The process's environment, read once; the notes go to standard error.
const Environment& environment();
// VEROLT_BOXES=console: the system's message boxes are not wanted (no one may be there to answer).
bool console_boxes_wanted();

// VEROLT_THREADS as a count: decimal digits only, at least 1; above 256 taken as 256.
std::optional<unsigned> parse_thread_count(std::string_view text);

}  // namespace verolt::app
