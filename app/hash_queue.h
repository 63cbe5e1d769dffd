// The files of a source hashed one by one, on several threads when there are cores to spare.
// Results come back in source order, and each file's progress is replayed on the calling thread
// exactly as one thread would show it (app/progress_replay.h), so nothing a user sees depends on
// the thread count. Without threads the files are hashed in place (app/hash_in_place.h).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "app/file_hashes.h"
#include "app/job_source.h"
#include "app/progress_replay.h"
#include "app/sources.h"
#include "filehash/file_hasher.h"

namespace verolt::app {

// The files of `source` and their hashes, on `threads` hashing threads beside the calling one;
// with 0, or where none can be started, in place on the calling thread. The one place where that
// is chosen.
// The files `readAtTurn` (the run's own output file, and the files behind standard output and
// standard error, however a source names them) are never hashed ahead: each is read at its turn,
// holding what one thread would have written by then.
// With `batch`, results may be waited for in runs, which saves wake-ups on small files; only for a
// mode where no result can raise a box or a question, which must never wait for a file after it.
std::unique_ptr<FileHashes> hash_files(JobSource& source, hash::Engine engine,
                                       hash::Function function, filehash::ProgressState& progress,
                                       unsigned threads,
                                       std::vector<platform::FileId> readAtTurn = {},
                                       bool batch = false);

// What the modes hold: the hashes of a file source's files, as hash_files gives them, and the
// source for what it has to say after its last file.
class FileHashQueue {
 public:
  FileHashQueue(FileSource& source, hash::Engine engine, hash::Function function,
                filehash::ProgressState& progress, unsigned threads,
                std::vector<platform::FileId> readAtTurn = {}, bool batch = false)
      : source_(source),
        hashes_(hash_files(source, engine, function, progress, threads, std::move(readAtTurn),
                           batch)) {}

  bool next(FileItem& item) { return hashes_->next(item); }
  FileSource& source() { return source_; }
  bool result(hash::Value& value) { return hashes_->result(value); }

 private:
  FileSource& source_;
  std::unique_ptr<FileHashes> hashes_;
};

// The files hashed ahead on worker threads, in a window of jobs; see the top of hash_queue.cpp.
class WorkerQueue final : public FileHashes {
 public:
  // Starts up to `threads` workers, as many as the system gives; see started().
  WorkerQueue(JobSource& source, hash::Engine engine, hash::Function function,
              filehash::ProgressState& progress, unsigned threads,
              std::vector<platform::FileId> readAtTurn, bool batch);
  // Stops the workers; files hashed ahead of the last one taken are dropped.
  ~WorkerQueue() override;
  WorkerQueue(const WorkerQueue&) = delete;
  WorkerQueue& operator=(const WorkerQueue&) = delete;

  // False when no worker could be started: the queue cannot be used, and has taken no file.
  bool started() const { return !workers_.empty(); }
  bool next(FileItem& item) override;
  // A worker that ran out of memory throws here, as the calling thread would have.
  bool result(hash::Value& value) override;

 private:
  struct Job;
  // Jobs are kept in chunks, so that the window can widen without moving a job a worker holds.
  static constexpr std::size_t kChunkJobs = 256;
  // The most jobs the reader holds past the one it waits for. A large file early in the order
  // holds its result, and the files after it are hashed meanwhile; this bounds the memory that
  // costs (a job is about 300 bytes, and its names and read records).
  static constexpr std::size_t kMaxWindow = std::size_t{1} << 15;
  static constexpr std::size_t kChunkPlaces = kMaxWindow / kChunkJobs + 1;
  using Chunk = std::array<Job, kChunkJobs>;

  static constexpr std::uint64_t kNobody = UINT64_MAX;
  static constexpr unsigned kReadAheadThreads = 8;
  static constexpr std::uint64_t kReadAheadJobs = 256;       // past the last claim
  static constexpr std::uint64_t kReadAheadBytes = 4 << 20;  // of each file
  static constexpr std::uint64_t kSlowReadsForDisk = 16;

  Job& slot(std::uint64_t sequence);
  void fill();
  // The workers ran out of jobs while the reader waits: widen the window when it is full, and
  // fill it. False when there is nothing to give them.
  bool feed_workers();
  bool can_feed() const;
  void report_starving();
  // Once reads wait for the disk, a few more threads open the files the workers claim next and
  // ask the system to read them in, so that many reads are in flight rather than one a worker.
  void start_reading_ahead();
  void read_ahead();
  void work();
  // The number of a job to hash; `wait` lets it wait for the job to be made. False when there is
  // none (then, without waiting, none yet).
  bool claim(std::uint64_t& sequence, bool wait);
  void publish(std::uint64_t sequence, Job& job);
  void wait_for(std::uint64_t sequence);
  void replay(Job& job);
  // A worker's read of the job's file: counted, or recorded for the replay when progress shows.
  void record_read(Job& job, std::uint64_t sequence, std::uint64_t n);
  bool read_at_turn(const platform::FileId& file) const;
  // A worker ran out of memory: the run ends as it would on this thread.
  void exhausted();
  [[noreturn]] static void throw_exhausted();

  JobSource& source_;
  hash::Engine engine_;
  hash::Function function_;
  filehash::ProgressState& progress_;

  std::vector<platform::FileId> readAtTurn_;
  std::unique_ptr<filehash::FileHasher> atTurnHasher_;  // reads those files at their turn
  bool batch_ = false;

  // A window of jobs numbered in source order. This thread fills it and takes the results in
  // order; each worker claims the next number, without a lock. The chunk of job s is at place
  // (s / kChunkJobs) % kChunkPlaces; only this thread changes the places.
  std::array<Chunk*, kChunkPlaces> places_{};
  std::vector<std::unique_ptr<Chunk>> chunks_;  // every chunk made
  std::vector<Chunk*> spareChunks_;
  std::size_t baseWindow_ = 0;
  std::size_t window_ = 0;      // widened, up to kMaxWindow, while a result holds the workers back
  bool recording_ = false;      // progress is shown, so every read is replayed
  std::uint64_t consumed_ = 0;  // the job `next` gave, or the next one
  // Size of the last file taken; a run starts as if after a large file, so its first result is
  // not held back.
  std::uint64_t lastBytes_ = filehash::kReadSize;
  std::atomic<std::uint64_t> produced_{0};
  std::atomic<std::uint64_t> claimed_{0};
  std::atomic<bool> sourceDone_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> memoryExhausted_{false};
  // A worker found no job to claim: set by workers, cleared by the reader when it fills.
  std::atomic<bool> starving_{false};
  // Hand-overs sleep only when there is nothing to do, and are woken only by the one event they
  // wait for: the reader by the job numbered awaited_, workers by new jobs.
  std::mutex lock_;
  std::condition_variable resultReady_;
  std::condition_variable workReady_;
  std::atomic<std::uint64_t> awaited_{kNobody};
  std::atomic<unsigned> idleWorkers_{0};
  std::vector<std::thread> workers_;

  // Reading ahead. aheadLock_ orders a read-ahead thread's copy of a job's name with the reader
  // letting the job's chunk go (released_: the jobs before it are gone).
  std::atomic<bool> onDisk_{false};
  bool readingAhead_ = false;
  std::atomic<std::uint64_t> aheadNext_{0};
  std::mutex aheadLock_;
  std::condition_variable aheadWait_;
  std::uint64_t released_ = 0;
  std::vector<std::thread> aheadThreads_;
};

}  // namespace verolt::app
