#include "app/progress_replay.h"

namespace verolt::app {

void ProgressReplay::clear() {
  runs_.clear();
  count_ = 0;
  shownRun_ = 0;
  shownInRun_ = 0;
}

void ProgressReplay::record(std::uint64_t n) {
  if (!runs_.empty() && runs_.back().first == n) {
    ++runs_.back().second;
  } else {
    runs_.emplace_back(n, 1);
  }
  ++count_;
}

void ProgressReplay::show(std::unique_lock<std::mutex>& lock, filehash::ProgressState& progress) {
  // The last run may still grow, so it is left only once a later one exists.
  while (shownRun_ < runs_.size()) {
    const auto [size, count] = runs_[shownRun_];
    if (shownInRun_ < count) {
      ++shownInRun_;
      lock.unlock();
      progress.advance(size);
      lock.lock();
    } else if (shownRun_ + 1 < runs_.size()) {
      ++shownRun_;
      shownInRun_ = 0;
    } else {
      break;
    }
  }
}

}  // namespace verolt::app
