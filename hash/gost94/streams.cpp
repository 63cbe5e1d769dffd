// Stepping one stream, or several streams in the groups the engine steps together. How streams
// are grouped is scheduling, the same for every engine; which engine steps them is the table's.
#include "hash/gost94/engines.h"

namespace verolt::gost94 {

void gost_steps(const detail::EngineEntry& engine, const EngineTables& tables, std::uint8_t h[32],
                std::uint8_t* checksum, const std::uint8_t* blocks, std::size_t count) {
  if (count > 0) engine.one(tables, h, checksum, blocks, count);
}

std::size_t engine_streams(const detail::EngineEntry& engine) {
  return engine.unit << (engine.levels - 1);
}

namespace {

constexpr std::size_t kMaxWidth = 16;  // the widest group of any engine

// Steps `filled` streams (at most the widest group) split into groups where the engine's costs
// say it is cheapest.
void step_group(const detail::EngineEntry& entry, const EngineTables& tables,
                const Stream* const* streams, std::size_t filled, std::size_t count) {
  // cheapest[n]: the least cost of n streams; first[n]: what steps the first of them, 0 for
  // alone, else a group's level + 1.
  unsigned cheapest[kMaxWidth + 1] = {};
  std::size_t first[kMaxWidth + 1] = {};
  for (std::size_t n = 1; n <= filled; ++n) {
    cheapest[n] = entry.cost[0] + cheapest[n - 1];
    for (std::size_t level = 0; level < entry.levels; ++level) {
      const std::size_t width = entry.unit << level;
      const unsigned cost = entry.cost[level + 1] + cheapest[n - (width < n ? width : n)];
      if (cost < cheapest[n]) {
        cheapest[n] = cost;
        first[n] = level + 1;
      }
    }
  }
  std::uint8_t scratch[kMaxWidth][32] = {};
  Stream spare[kMaxWidth] = {};
  const Stream* group[kMaxWidth] = {};
  std::size_t at = 0;
  while (at < filled) {
    const std::size_t left = filled - at;
    if (first[left] == 0) {
      const Stream& s = *streams[at];
      entry.one(tables, s.h, s.checksum, s.blocks, count);
      ++at;
      continue;
    }
    const std::size_t level = first[left] - 1;
    const std::size_t width = entry.unit << level;
    const std::size_t real = left < width ? left : width;
    for (std::size_t g = 0; g < width; ++g) {
      if (g < real) {
        group[g] = streams[at + g];
      } else {
        // A copy of the first stream's blocks into a value nobody reads.
        spare[g] = {scratch[g], nullptr, streams[at]->blocks, count};
        group[g] = &spare[g];
      }
    }
    entry.groups[level](tables, group, count);
    at += real;
  }
}

}  // namespace

std::size_t gost_steps_streams(const detail::EngineEntry& entry, const EngineTables& tables,
                               Stream* streams, std::size_t n) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (streams[i].count == 0) continue;
    count = count == 0 || streams[i].count < count ? streams[i].count : count;
  }
  if (count == 0) return 0;

  const std::size_t widest = engine_streams(entry);
  const std::size_t width = widest < kMaxWidth ? widest : kMaxWidth;
  const Stream* group[kMaxWidth] = {};
  std::size_t filled = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (streams[i].count == 0) continue;
    group[filled++] = &streams[i];
    if (filled == width) {
      step_group(entry, tables, group, filled, count);
      filled = 0;
    }
  }
  if (filled > 0) step_group(entry, tables, group, filled, count);

  for (std::size_t i = 0; i < n; ++i) {
    Stream& s = streams[i];
    if (s.count == 0) continue;
    s.blocks += kBlockSize * count;
    s.count -= count;
  }
  return count;
}

}  // namespace verolt::gost94
