// The files of a source hashed one by one, on several threads when there are cores to spare.
// Results come back in source order, and each file's progress is replayed on the calling thread
// exactly as one thread would show it, so nothing a user sees depends on the thread count.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/sources.h"
#include "gost/file_hash.h"

namespace verolt::app {

// Hashing threads for lists of files: VEROLT_THREADS, else the number of cores.
unsigned hashing_threads();

class FileHashQueue {
 public:
  // With one thread the files are hashed on the calling thread, when their result is asked for.
  // The file `outputFile` (the run's own output, however a source names it) is never hashed
  // ahead: it is read at its turn, holding what one thread would have written by then.
  FileHashQueue(FileSource& source, int parameterSet, gost::ProgressState& progress,
                unsigned threads, std::optional<platform::FileId> outputFile = std::nullopt);
  // Stops the workers; files hashed ahead of the last one taken are dropped.
  ~FileHashQueue();
  FileHashQueue(const FileHashQueue&) = delete;
  FileHashQueue& operator=(const FileHashQueue&) = delete;

  // The next file in source order; false after the last.
  bool next(FileItem& item);
  // The hash of the file `next` gave, showing its progress meanwhile; false when it could not
  // be opened or read.
  bool result(gost::HashValue& value);

 private:
  struct Job;
  class Recorder;

  void fill();
  void work();

  FileSource& source_;
  int parameterSet_;
  gost::ProgressState& progress_;

  // One thread: hashed in place.
  std::unique_ptr<gost::FileHasher> inlineHasher_;
  std::optional<platform::FileId> outputFile_;
  std::unique_ptr<gost::FileHasher> outputHasher_;  // reads the output file at its turn
  std::string inlineName_;

  // Several threads: a window of jobs in source order, the first being the one consumed.
  std::size_t capacity_ = 0;
  bool sourceDone_ = false;
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Job>> jobs_;
  std::size_t started_ = 0;  // jobs_[0..started_) are taken by workers
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace verolt::app
