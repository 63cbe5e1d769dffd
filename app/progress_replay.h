// The reads of a file hashed on a worker thread, kept so that the thread that owns the progress
// display can show them later exactly as it would have shown them while reading the file itself.
// The worker records while the reader may be replaying, so both sides hold the caller's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "filehash/progress.h"

namespace verolt::app {

class ProgressReplay {
 public:
  // For the next file: forgets the reads, keeps the memory.
  void clear();
  // A read of `n` bytes (the worker's side).
  void record(std::uint64_t n);
  // How many reads were recorded so far.
  std::uint64_t recorded() const { return count_; }
  // Shows the reads recorded and not yet shown, releasing `lock` around each display.
  void show(std::unique_lock<std::mutex>& lock, filehash::ProgressState& progress);

 private:
  // Run-length encoded (all full reads but the last, for a plain file), so that memory does not
  // grow with the file's size.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> runs_;  // (size, count)
  std::uint64_t count_ = 0;
  // Shown so far: whole runs before shownRun_, and shownInRun_ reads of that one.
  std::size_t shownRun_ = 0;
  std::uint64_t shownInRun_ = 0;
};

}  // namespace verolt::app
