// The bytes of a message around the compression function, written once for HashContext and
// HashLanes: completing a block from buffered bytes, and the finalisation.
#pragma once

#include <cstddef>

#include "hash/gost2012/hash.h"

namespace verolt::gost2012::detail {

// Adds bytes to a partly filled block; returns how many it took. A completed block is stepped at
// once and the buffer is empty again.
std::size_t complete_block(Engine engine, MessageState& s, const std::uint8_t* p, std::size_t n);
// Keeps the bytes after the whole blocks of a piece, which must be fewer than a block.
void keep_tail(MessageState& s, const std::uint8_t* p, std::size_t n);
// The padded last block, the length and the sum; the value into `out`.
void finish_message(Engine engine, MessageState& s, HashValue& out);

}  // namespace verolt::gost2012::detail
