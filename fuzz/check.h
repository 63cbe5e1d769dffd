// What the fuzz targets share: a broken invariant is a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace verolt::fuzz {

// Says which invariant broke, then aborts so that libFuzzer keeps the input as a crash.
inline void check(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "\nBROKEN INVARIANT: %s\n", invariant);
  std::fflush(stderr);
  std::abort();
}

}  // namespace verolt::fuzz
