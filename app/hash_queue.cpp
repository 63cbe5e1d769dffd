#include "app/hash_queue.h"

#include <cstdlib>
#include <new>
#include <string>
#include <system_error>
#include <utility>

namespace verolt::app {

unsigned hashing_threads() {
  if (const char* value = std::getenv("VEROLT_THREADS"); value != nullptr && *value != '\0') {
    char* end = nullptr;
    const unsigned long n = std::strtoul(value, &end, 10);
    if (end != nullptr && *end == '\0' && n >= 1) return n > 256 ? 256U : static_cast<unsigned>(n);
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1U : cores;
}

// One file in the window. Its reads are kept run-length encoded (all full reads but the last,
// for a plain file), so memory does not grow with the file's size.
struct FileHashQueue::Job {
  FileItem item;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> reads;  // (size, count)
  bool done = false;
  bool hashed = false;
  bool isOutput = false;  // left to the calling thread
  gost::HashValue value{};
};

// Records the reads of a worker's file for the replay, and stops the reading when the queue
// is being torn down.
class FileHashQueue::Recorder : public gost::ReadObserver {
 public:
  explicit Recorder(FileHashQueue& queue) : queue_(queue) {}
  void start(Job* job) { job_ = job; }

  bool on_open(const platform::FileId& file) override {
    if (queue_.outputFile_ && file == *queue_.outputFile_) {
      job_->isOutput = true;
      return false;
    }
    return true;
  }

  bool on_read(std::uint64_t n) override {
    const std::lock_guard<std::mutex> guard(queue_.lock_);
    auto& reads = job_->reads;
    if (!reads.empty() && reads.back().first == n) {
      ++reads.back().second;
    } else {
      reads.emplace_back(n, 1);
    }
    queue_.changed_.notify_all();
    return !queue_.stopping_;
  }
  void on_file_end() override {}

 private:
  FileHashQueue& queue_;
  Job* job_ = nullptr;
};

FileHashQueue::FileHashQueue(FileSource& source, int parameterSet, gost::ProgressState& progress,
                             unsigned threads, std::optional<platform::FileId> outputFile)
    : source_(source), parameterSet_(parameterSet), progress_(progress), outputFile_(outputFile) {
  if (threads <= 1) {
    inlineHasher_ = std::make_unique<gost::FileHasher>(&progress_);
    return;
  }
  // Enough files ahead to keep every worker busy past a few small files.
  capacity_ = 16 * static_cast<std::size_t>(threads);
  // A system short of threads or memory gets fewer workers, or none: the files are then hashed
  // in place, as with one thread.
  try {
    workers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
  if (workers_.empty()) inlineHasher_ = std::make_unique<gost::FileHasher>(&progress_);
}

FileHashQueue::~FileHashQueue() {
  {
    const std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void FileHashQueue::fill() {
  // Only this thread reads the source, so lists are read in order.
  while (!sourceDone_ && jobs_.size() < capacity_) {
    auto job = std::make_unique<Job>();
    if (!source_.next(job->item)) {
      sourceDone_ = true;
      break;
    }
    const std::lock_guard<std::mutex> guard(lock_);
    jobs_.push_back(std::move(job));
    changed_.notify_all();
  }
}

void FileHashQueue::work() {
  // Nothing may escape a worker: a file it cannot finish counts as one that could not be read,
  // so the reader of the queue never waits for ever.
  std::unique_ptr<Recorder> recorder;
  std::unique_ptr<gost::FileHasher> hasher;
  try {
    recorder = std::make_unique<Recorder>(*this);
    hasher = std::make_unique<gost::FileHasher>(recorder.get());
  } catch (const std::bad_alloc&) {
    hasher.reset();
  }
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    changed_.wait(guard, [this] { return stopping_ || started_ < jobs_.size(); });
    if (stopping_) return;
    Job* job = jobs_[started_++].get();
    guard.unlock();
    gost::HashValue value{};
    bool hashed = false;
    if (hasher) {
      recorder->start(job);
      try {
        hashed = hasher->hash_file(job->item.path, value, parameterSet_);
      } catch (const std::bad_alloc&) {
        hashed = false;
      }
    }
    guard.lock();
    job->hashed = hashed;
    job->value = value;
    job->done = true;
    changed_.notify_all();
  }
}

bool FileHashQueue::next(FileItem& item) {
  if (inlineHasher_) {
    if (!source_.next(item)) return false;
    inlineName_ = item.path;
    return true;
  }
  fill();
  const std::lock_guard<std::mutex> guard(lock_);
  if (jobs_.empty()) return false;
  item = jobs_.front()->item;
  return true;
}

bool FileHashQueue::result(gost::HashValue& value) {
  if (inlineHasher_) return inlineHasher_->hash_file(inlineName_, value, parameterSet_);

  std::unique_lock<std::mutex> guard(lock_);
  Job& job = *jobs_.front();
  std::size_t run = 0;
  std::uint64_t taken = 0;
  for (;;) {
    // Replay what the worker has read so far, as the one-thread program shows it while reading.
    // The last run may still grow, so it is left only once a later one exists.
    for (;;) {
      if (run >= job.reads.size()) break;
      const auto [size, count] = job.reads[run];
      if (taken < count) {
        ++taken;
        guard.unlock();
        progress_.advance(size);
        guard.lock();
      } else if (run + 1 < job.reads.size()) {
        ++run;
        taken = 0;
      } else {
        break;
      }
    }
    if (job.done) break;
    changed_.wait(guard);
  }
  bool hashed = false;
  if (job.isOutput) {
    // Read now, after everything written before its turn, exactly as one thread reads it.
    guard.unlock();
    if (!outputHasher_) outputHasher_ = std::make_unique<gost::FileHasher>(&progress_);
    hashed = outputHasher_->hash_file(job.item.path, value, parameterSet_);
    guard.lock();
  } else {
    progress_.erase();
    hashed = job.hashed;
    value = job.value;
  }
  // The window moves on: the consumed job leaves, and a worker may take the next one.
  jobs_.pop_front();
  --started_;
  guard.unlock();
  fill();
  return hashed;
}

}  // namespace verolt::app
