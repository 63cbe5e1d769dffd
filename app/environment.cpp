#include "app/environment.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace verolt::app {

std::optional<unsigned> parse_thread_count(std::string_view text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::size_t first = text.find_first_not_of('0');
  if (first == std::string_view::npos) return std::nullopt;  // zero
  const std::string_view digits = text.substr(first);
  if (digits.size() > 3) return 256U;  // any longer count is past the limit, however long
  const auto count = static_cast<unsigned>(std::stoul(std::string(digits)));
  return std::min(count, 256U);
}

std::string engine_label(hash::Engine engine, std::string_view before, std::string_view after) {
  if (engine != hash::Engine::automatic) return hash::engine_name(engine);
  std::string label = hash::engine_name(hash::best_engine());
  if (hash::one_stream_engine() != hash::best_engine()) {
    label.append(before).append(hash::engine_name(hash::one_stream_engine())).append(after);
  }
  return label;
}

Environment environment_from(const char* engine, const char* threads, unsigned cores,
                             std::string& notes) {
  Environment chosen;
  chosen.engine = hash::Engine::automatic;
  if (engine != nullptr && *engine != '\0') {
    const std::optional<hash::Engine> named = hash::engine_from_name(engine);
    if (named && hash::engine_supported(*named)) {
      chosen.engine = *named;
    } else {
      notes += std::string("verolt: VEROLT_ENGINE=") + engine +
               (named ? " cannot run on this processor; using "
                      : " is no engine (portable, avx2, avx512, automatic); using ") +
               engine_label(chosen.engine, " (one stream of GOST R 34.11-94: ", ")") + "\n";
    }
  }
  chosen.threads = std::clamp(cores, 1U, 256U);
  if (threads != nullptr && *threads != '\0') {
    if (const std::optional<unsigned> count = parse_thread_count(threads)) {
      chosen.threads = *count;
    } else {
      notes += std::string("verolt: VEROLT_THREADS=") + threads +
               " is not a count from 1 to 256; using " + std::to_string(chosen.threads) +
               " (the number of cores)\n";
    }
  }
  return chosen;
}

bool console_boxes_wanted() {
  const char* mode = std::getenv("VEROLT_BOXES");  // NOLINT(concurrency-mt-unsafe): at start-up
  return mode != nullptr && std::string_view(mode) == "console";
}

const Environment& environment() {
  static const Environment kEnvironment = [] {
    std::string notes;
    // NOLINTBEGIN(concurrency-mt-unsafe): read once, before any thread starts
    const Environment read =
        environment_from(std::getenv("VEROLT_ENGINE"), std::getenv("VEROLT_THREADS"),
                         std::thread::hardware_concurrency(), notes);
    // NOLINTEND(concurrency-mt-unsafe)
    // Never on standard output: that never changes with either variable.
    if (!notes.empty()) static_cast<void>(std::fputs(notes.c_str(), stderr));
    return read;
  }();
  return kEnvironment;
}

}  // namespace verolt::app
