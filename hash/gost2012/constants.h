// The constants of GOST R 34.11-2012: the byte substitution, the matrix of the linear map and the
// round constants of the key schedule, as the standard gives them. 512-bit values are eight
// 64-bit words, word 0 the least significant.
#pragma once

#include <cstdint>

namespace verolt::gost2012::detail {

// The substitution pi.
extern const std::uint8_t kPi[256];
// l(v) is the XOR of kA[63 - t] over the bits t set in the 64-bit word v.
extern const std::uint64_t kA[64];
// C1..C12.
extern const std::uint64_t kC[12][8];

}  // namespace verolt::gost2012::detail
