// The start and the finalisation of a message, and the message layer built for this function once.
#include "hash/gost2012/hash.h"

#include <cstring>

#include "hash/gost2012/linear.h"

namespace verolt::gost2012 {

Description::Chain Description::start(Params bits) {
  Chain chain{};
  // The 256-bit function starts from bytes 0x01, the 512-bit one from zeros.
  if (bits == 256) std::memset(chain.h, 0x01, sizeof chain.h);
  return chain;
}

void Description::finish(const Entry& entry, Params bits, Chain& chain, std::uint8_t* block,
                         std::size_t buffered, std::uint64_t /*bytes*/, Value& out) {
  // The last block, whole or empty, is padded with a single 1 bit after the message; N grows by
  // the bits it really holds, not by 512.
  std::memset(block + buffered, 0, kBlockSize - buffered);
  block[buffered] = 0x01;
  std::uint64_t counter[8];
  std::memcpy(counter, chain.counter, sizeof counter);
  compress_blocks(entry, chain, block, 1);
  std::memcpy(chain.counter, counter, sizeof counter);
  detail::add512(chain.counter, std::uint64_t{8} * buffered);
  compress_final(entry, chain.h, chain.counter);
  compress_final(entry, chain.h, chain.sigma);
  // Delivered from the least significant byte, as libgcrypt and the other peers deliver it (the
  // standard's examples print these digits in this order too); the 256-bit function keeps the
  // most significant half.
  out.fill(0);
  const std::size_t size = value_size(bits);
  const std::size_t first = 64 - size;
  for (std::size_t b = 0; b < size; ++b) {
    out[b] = static_cast<std::uint8_t>(chain.h[(first + b) / 8] >> (8 * ((first + b) % 8)));
  }
}

}  // namespace verolt::gost2012

template class verolt::hash::MessageContext<verolt::gost2012::Description>;
template class verolt::hash::MessageLanes<verolt::gost2012::Description>;
