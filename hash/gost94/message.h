// The bytes of a message around the step function, written once for HashContext and HashLanes:
// completing a block from buffered bytes, and the finalisation.
#pragma once

#include <cstddef>

#include "hash/gost94/hash.h"
#include "hash/gost94/steps.h"

namespace verolt::gost94::detail {

// Adds bytes to a partly filled block; returns how many it took. When the block is complete it
// is stepped at once and the buffer is empty again.
std::size_t complete_block(Engine engine, const EngineTables& tables, MessageState& s,
                           const std::uint8_t* p, std::size_t n);
// Keeps the bytes after the whole blocks of a piece, which must be fewer than a block.
void keep_tail(MessageState& s, const std::uint8_t* p, std::size_t n);
// The last partial block, the length and the checksum; the value into `out`.
void finish_message(Engine engine, const EngineTables& tables, MessageState& s, HashValue& out);

}  // namespace verolt::gost94::detail
