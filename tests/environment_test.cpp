// What the environment may ask for, and what a value that cannot be followed falls back to.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/environment.h"

namespace verolt::app {
namespace {

TEST(Environment, ThreadCountsFromOneUpAreTaken) {
  // Everything else falls back to the number of cores, with a note; above 256 is 256.
  const std::pair<const char*, std::optional<unsigned>> cases[] = {{"1", 1U},
                                                                   {"3", 3U},
                                                                   {"007", 7U},
                                                                   {"256", 256U},
                                                                   {"257", 256U},
                                                                   {"99999999999999999999", 256U},
                                                                   {"0", std::nullopt},
                                                                   {"000", std::nullopt},
                                                                   {"-1", std::nullopt},
                                                                   {"abc", std::nullopt},
                                                                   {"3x", std::nullopt},
                                                                   {"0x10", std::nullopt},
                                                                   {" 4", std::nullopt},
                                                                   {"+4", std::nullopt},
                                                                   {"", std::nullopt}};
  for (const auto& [text, count] : cases) EXPECT_EQ(parse_thread_count(text), count) << text;
}

TEST(Environment, EachValueFallsBackWithOneNote) {
  using hash::Engine;
  const Engine best = Engine::automatic;
  struct Case {
    const char* engine;
    const char* threads;
    Engine wanted;  // where the processor runs it
    unsigned count;
    const char* note;  // empty: none
  };
  const Case cases[] = {
      {nullptr, nullptr, best, 2, ""},
      {"", "", best, 2, ""},
      {"portable", "3", Engine::portable, 3, ""},
      {"avx512", "1", Engine::avx512, 1, ""},
      {"AVX2", nullptr, best, 2,
       "verolt: VEROLT_ENGINE=AVX2 is no engine (portable, avx2, avx512, automatic); using "},
      {"avx2 ", "0", best, 2, "verolt: VEROLT_ENGINE=avx2  is no engine"},
      {nullptr, "-1", best, 2,
       "verolt: VEROLT_THREADS=-1 is not a count from 1 to 256; using 2 (the number of cores)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.engine ? c.engine : "(unset)") + " " + (c.threads ? c.threads : ""));
    std::string notes;
    const Environment env = environment_from(c.engine, c.threads, 2, notes);
    const bool runs = hash::engine_supported(c.wanted);
    EXPECT_EQ(env.engine, runs ? c.wanted : best);
    EXPECT_EQ(env.threads, c.count);
    EXPECT_EQ(notes.rfind(c.note, 0), 0U) << notes;
    if (*c.note == '\0' && runs) {
      EXPECT_EQ(notes, "");
    } else if (*c.note == '\0') {
      EXPECT_NE(notes.find("cannot run on this processor; using"), std::string::npos) << notes;
    }
  }
  // No core count known: one thread; more than 256 cores: 256.
  std::string notes;
  EXPECT_EQ(environment_from(nullptr, nullptr, 0, notes).threads, 1U);
  EXPECT_EQ(environment_from(nullptr, nullptr, 1000, notes).threads, 256U);
}

}  // namespace
}  // namespace verolt::app
