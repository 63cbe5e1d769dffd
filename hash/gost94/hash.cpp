// The finalisation of a message, and the message layer built for this function once.
#include "hash/gost94/hash.h"

#include <cstring>

#include "hash/bytes.h"

namespace verolt::gost94 {

void Description::finish(const Entry& entry, Params tables, Chain& chain, std::uint8_t* block,
                         std::size_t buffered, std::uint64_t bytes, Value& out) {
  if (buffered > 0) {
    // The last partial block is padded with zeros at its high end.
    std::memset(block + buffered, 0, kBlockSize - buffered);
    gost_steps(entry, *tables, chain.h, chain.checksum, block, 1);
  }
  // The length in bits, modulo 2^64; it is not part of the checksum.
  std::uint8_t length[kBlockSize] = {};
  hash::bytes::store64(length, bytes * 8);
  gost_steps(entry, *tables, chain.h, nullptr, length, 1);
  gost_steps(entry, *tables, chain.h, nullptr, chain.checksum, 1);
  std::memcpy(out.data(), chain.h, kBlockSize);
}

}  // namespace verolt::gost94

template class verolt::hash::MessageContext<verolt::gost94::Description>;
template class verolt::hash::MessageLanes<verolt::gost94::Description>;
