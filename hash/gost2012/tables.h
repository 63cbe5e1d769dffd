// The lookup tables of the table-driven engines, built once from the constants.
#pragma once

#include <cstdint>

namespace verolt::gost2012::detail {

// t[j][v] = l_part(j, pi(v)): S, P and L of one byte at once, so a round is 64 lookups.
struct LpsTables {
  std::uint64_t t[8][256];
};

const LpsTables& lps_tables();

}  // namespace verolt::gost2012::detail
