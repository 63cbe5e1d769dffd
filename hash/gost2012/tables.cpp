#include "hash/gost2012/tables.h"

#include "hash/gost2012/linear.h"

namespace verolt::gost2012::detail {

const LpsTables& lps_tables() {
  static const LpsTables tables = [] {
    LpsTables t{};
    for (int j = 0; j < 8; ++j) {
      // l_part is linear: the value of v is the XOR of the values of its bits.
      std::uint64_t bit[8];
      for (int s = 0; s < 8; ++s) bit[s] = l_part(j, 1u << s);
      for (unsigned v = 0; v < 256; ++v) {
        std::uint64_t sum = 0;
        const unsigned p = kPi[v];
        for (int s = 0; s < 8; ++s) {
          if ((p >> s & 1) != 0) sum ^= bit[s];
        }
        t.t[j][v] = sum;
      }
    }
    return t;
  }();
  return tables;
}

}  // namespace verolt::gost2012::detail
