#include "app/hash_queue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "app/hash_in_place.h"
#include "platform/cpu_relax.h"
#include "platform/written_files.h"

namespace verolt::app {

namespace {

// About 20 microseconds of looking before the reader sleeps.
constexpr int kSpinLooks = 512;

}  // namespace

// How the threads share the window, and why no result is lost and no sleeper is forgotten.
//
// Ownership of a slot. This thread (the reader, the only one that takes jobs from the source) fills
// slot s, placing its chunk first when s begins one, and then stores produced_ = s + 1; from then
// on the slot belongs to the one worker whose claim returned s (claimed_ hands each number out
// once, by fetch_add or compare-exchange). That worker writes the outcome and then stores done =
// true, after which the slot is the reader's again: it reads the outcome only after loading done ==
// true, and lets a chunk go (to be placed again later) only once consumed_ has passed all of it.
// fill() never runs more than kMaxWindow ahead of consumed_, so no place holds two live chunks. The
// stores and loads of produced_ and done are sequentially consistent, so everything written before
// them (a place too) is seen after them. The one part of a slot both sides touch while it is being
// hashed is its ProgressReplay: the worker records into it and the reader replays it, each under
// lock_. A read-ahead thread only reads a slot's name, under aheadLock_, which the reader holds to
// let a chunk go.
//
// Wake-ups. Each hand-over is a store followed by a load of another variable on each side:
//   the reader stores awaited_ = s, then loads job s's done; the worker stores done, then
//     loads awaited_, and notifies resultReady_ if it is s;
//   a worker increments idleWorkers_, then loads produced_; the reader stores produced_, then
//     loads idleWorkers_, and notifies workReady_ if it is not 0;
//   a worker that finds nothing to claim exchanges starving_ to true, then loads awaited_, and
//     notifies resultReady_ if the reader waits; the reader stores awaited_, then loads
//     starving_. A worker that finds starving_ already true notifies nobody: the reader has not
//     yet looked at it since, and what else it checks with it only the reader changes.
// In the single order of sequentially consistent operations one side's store comes first, so the
// other side's load sees it: either the sleeper sees its condition met and does not sleep, or the
// waker sees the sleeper and notifies. (With acquire and release alone both loads could miss, and
// the sleeper would sleep for ever.) The sleeper stores and checks while holding lock_, and the
// waker takes lock_ before notifying, so the notice cannot fall between the check and the sleep.
// Every other change a sleeper waits for (sourceDone_, stopping_, memoryExhausted_, a new read
// record) is made under lock_ and followed by a notice.

// One file in the window. A worker writes its outcome and then sets `done`; this thread reads the
// outcome only after seeing `done`.
struct WorkerQueue::Job {
  FileItem item;
  bool hashed = false;
  bool isOutput = false;  // left to the calling thread
  hash::Value value{};
  std::uint64_t bytes = 0;  // read in all, when the reads are not recorded
  // Recorded only while progress is shown. Guarded by lock_.
  ProgressReplay reads;
  std::atomic<bool> done{false};
};

WorkerQueue::WorkerQueue(JobSource& source, hash::Engine engine, hash::Function function,
                         filehash::ProgressState& progress, unsigned threads,
                         std::vector<platform::FileId> readAtTurn, bool batch)
    : source_(source),
      engine_(engine),
      function_(function),
      progress_(progress),
      readAtTurn_(std::move(readAtTurn)),
      batch_(batch) {
  // Room for every worker to run well ahead of the reader through small files, and for the
  // reader to take results in runs; more only when a large file holds the workers back.
  baseWindow_ = std::min(kMaxWindow, std::max<std::size_t>(128, 32 * std::size_t{threads}));
  window_ = baseWindow_;
  recording_ = progress_.shown();
  // A system short of threads or memory gets fewer workers, or none.
  try {
    workers_.reserve(threads);
    platform::start_without_stop_signals([&] {
      for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
    });
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
}

WorkerQueue::~WorkerQueue() {
  {
    const std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  workReady_.notify_all();
  aheadWait_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  for (std::thread& reader : aheadThreads_) reader.join();
}

void WorkerQueue::start_reading_ahead() {
  readingAhead_ = true;
  try {
    platform::start_without_stop_signals([this] {
      for (unsigned i = 0; i < kReadAheadThreads; ++i)
        aheadThreads_.emplace_back([this] { read_ahead(); });
    });
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
}

void WorkerQueue::read_ahead() {
  // A hint only: nothing here reaches a result, and a file it cannot open is left to its worker.
  try {
    platform::InputFile file;
    std::string path;
    while (!stopping_) {
      std::uint64_t next = aheadNext_.load();
      const std::uint64_t claimed = claimed_.load();
      if (next < claimed) {
        // The workers are there already.
        aheadNext_.compare_exchange_weak(next, claimed);
        continue;
      }
      if (next >= produced_.load() || next >= claimed + kReadAheadJobs) {
        // Polled rather than woken: the workers' claims would otherwise each have to look for
        // sleepers here, and only a run on a cold disk comes here at all.
        std::unique_lock<std::mutex> guard(aheadLock_);
        aheadWait_.wait_for(guard, std::chrono::milliseconds(1));
        continue;
      }
      if (!aheadNext_.compare_exchange_weak(next, next + 1)) continue;
      path.clear();
      {
        const std::lock_guard<std::mutex> guard(aheadLock_);
        const Job& job = slot(next);
        if (next >= released_ && job.item.listable) path = job.item.path;
      }
      if (!path.empty() && file.open(path)) {
        file.read_ahead(kReadAheadBytes);
        file.close();
      }
    }
  } catch (const std::bad_alloc&) {
  }
}

WorkerQueue::Job& WorkerQueue::slot(std::uint64_t sequence) {
  return (*places_[(sequence / kChunkJobs) % kChunkPlaces])[sequence % kChunkJobs];
}

void WorkerQueue::fill() {
  // Only this thread reads the source, so lists are read in order. A slot is reused once its
  // result was taken: its worker no longer touches it.
  std::uint64_t produced = produced_.load(std::memory_order_relaxed);
  const std::uint64_t before = produced;
  bool ended = false;
  while (!sourceDone_.load(std::memory_order_relaxed) && produced - consumed_ < window_) {
    if (produced % kChunkJobs == 0) {
      Chunk*& place = places_[(produced / kChunkJobs) % kChunkPlaces];
      if (spareChunks_.empty()) {
        chunks_.push_back(std::make_unique<Chunk>());
        place = chunks_.back().get();
      } else {
        place = spareChunks_.back();
        spareChunks_.pop_back();
      }
      // Idle workers start on the first chunk while the rest of a wide fill is read.
      if (produced != before && idleWorkers_.load() > 0) {
        { const std::lock_guard<std::mutex> guard(lock_); }
        workReady_.notify_all();
      }
    }
    Job& job = slot(produced);
    if (!source_.next(job.item)) {
      ended = true;
      break;
    }
    job.hashed = false;
    job.isOutput = false;
    job.value = {};
    job.bytes = 0;
    job.reads.clear();
    job.done.store(false, std::memory_order_relaxed);
    produced_.store(++produced);
  }
  if (ended) {
    // Workers waiting for jobs that will never come may leave.
    {
      const std::lock_guard<std::mutex> guard(lock_);
      sourceDone_ = true;
    }
    workReady_.notify_all();
  } else if (produced != before && idleWorkers_.load() > 0) {
    // Taking the lock orders this with a worker between its last look and its sleep.
    { const std::lock_guard<std::mutex> guard(lock_); }
    workReady_.notify_all();
  }
}

bool WorkerQueue::claim(std::uint64_t& sequence, bool wait) {
  if (!wait) {
    // Another lane is busy: take a job only if one is there already.
    std::uint64_t first = claimed_.load();
    while (first < produced_.load()) {
      if (claimed_.compare_exchange_weak(first, first + 1)) {
        sequence = first;
        return true;
      }
    }
    return false;
  }
  // The next number is this worker's; it waits for that job if the reader has not made it yet.
  sequence = claimed_.fetch_add(1);
  for (;;) {
    if (stopping_) return false;
    const bool last = sourceDone_.load();
    if (produced_.load() > sequence) return true;
    if (last) return false;
    report_starving();
    std::unique_lock<std::mutex> guard(lock_);
    ++idleWorkers_;
    workReady_.wait(guard, [&] { return stopping_ || sourceDone_ || produced_ > sequence; });
    --idleWorkers_;
  }
}

void WorkerQueue::work() {
  // Nothing may escape a worker. Memory exhaustion ends the whole run, through the reader, as it
  // would have ended it on one thread: the files in flight are not files that could not be read.
  try {
    filehash::LaneFileHasher lanes(engine_, function_);
    std::vector<std::uint64_t> sequenceOf(lanes.lanes());
    std::vector<filehash::LaneFileHasher::Event> events;
    for (;;) {
      // Idle lanes take the jobs that are there; only with every lane idle may a worker wait for
      // one, and only then does "none" mean that the source has ended.
      bool dry = false;
      for (std::size_t lane = 0; lane < lanes.lanes() && !dry; ++lane) {
        while (!lanes.busy(lane)) {
          std::uint64_t sequence = 0;
          const bool idle = lanes.busy_count() == 0;
          if (stopping_ || !claim(sequence, idle)) {
            if (idle) return;
            if (!stopping_) report_starving();
            dry = true;  // nothing there yet: the busy lanes go on
            break;
          }
          Job& job = slot(sequence);
          // A name no list line can carry is not read; a file that does not open has failed. The
          // files this run writes are refused by identity, and read by the reader at their turn.
          if (!job.item.listable || !lanes.open(lane, job.item.path)) {
            publish(sequence, job);
            continue;
          }
          if (read_at_turn(lanes.file_id(lane))) {
            lanes.cancel(lane);
            job.isOutput = true;
            publish(sequence, job);
            continue;
          }
          lanes.start(lane);
          sequenceOf[lane] = sequence;
        }
      }
      if (stopping_) return;
      events.clear();
      lanes.step(events);
      if (lanes.slow_reads() >= kSlowReadsForDisk && !onDisk_.load(std::memory_order_relaxed)) {
        onDisk_.store(true, std::memory_order_relaxed);
      }
      for (const filehash::LaneFileHasher::Event& event : events) {
        const std::uint64_t sequence = sequenceOf[event.lane];
        Job& job = slot(sequence);
        if (!event.ended) {
          record_read(job, sequence, event.bytes);
          continue;
        }
        job.hashed = event.hashed;
        job.value = event.value;
        publish(sequence, job);
      }
    }
  } catch (const std::bad_alloc&) {
    exhausted();
  }
}

void WorkerQueue::record_read(Job& job, std::uint64_t sequence, std::uint64_t n) {
  if (!recording_) {
    job.bytes += n;  // the worker's own until it publishes the job
    return;
  }
  const std::lock_guard<std::mutex> guard(lock_);
  job.reads.record(n);
  if (awaited_.load() == sequence) resultReady_.notify_one();
}

void WorkerQueue::exhausted() {
  {
    const std::lock_guard<std::mutex> guard(lock_);
    memoryExhausted_ = true;
  }
  resultReady_.notify_all();
}

void WorkerQueue::throw_exhausted() { throw std::bad_alloc(); }

bool WorkerQueue::read_at_turn(const platform::FileId& file) const {
  return std::find(readAtTurn_.begin(), readAtTurn_.end(), file) != readAtTurn_.end();
}

void WorkerQueue::publish(std::uint64_t sequence, Job& job) {
  job.done.store(true);
  // The reader looks at `done` after announcing what it waits for, and this looks at that after
  // setting `done`, so one of the two sees the other. The lock keeps the wake from falling
  // between the reader's look and its sleep.
  if (awaited_.load() == sequence) {
    const std::lock_guard<std::mutex> guard(lock_);
    resultReady_.notify_one();
  }
}

void WorkerQueue::wait_for(std::uint64_t sequence) {
  Job& job = slot(sequence);
  // A small file is hashed in a few microseconds, less than a sleep and a wake-up cost: the
  // reader first looks again for a while. Only the load of `done` decides, as after a sleep.
  for (int spin = 0; spin < kSpinLooks; ++spin) {
    if (job.done.load()) return;
    if (spin % 64 == 63) {
      std::this_thread::yield();
    } else {
      platform::cpu_relax();
    }
  }
  if (job.done.load()) return;
  std::unique_lock<std::mutex> guard(lock_);
  awaited_.store(sequence);
  for (;;) {
    resultReady_.wait(guard, [&] {
      return job.done.load() || memoryExhausted_ || (starving_.load() && can_feed());
    });
    if (job.done.load() || memoryExhausted_) break;
    guard.unlock();
    feed_workers();
    guard.lock();
  }
  awaited_.store(kNobody);
}

bool WorkerQueue::can_feed() const {
  const std::uint64_t held = produced_.load(std::memory_order_relaxed) - consumed_;
  return !sourceDone_.load(std::memory_order_relaxed) && (held < window_ || window_ < kMaxWindow);
}

bool WorkerQueue::feed_workers() {
  if (!can_feed()) return false;
  starving_.store(false);
  // Full: a result the reader waits for holds every slot, so the workers may run further ahead.
  if (produced_.load(std::memory_order_relaxed) - consumed_ >= window_) {
    window_ = std::min(kMaxWindow, 2 * window_);
  }
  fill();
  return true;
}

void WorkerQueue::report_starving() {
  if (starving_.exchange(true)) return;
  if (awaited_.load() != kNobody) {
    const std::lock_guard<std::mutex> guard(lock_);
    resultReady_.notify_one();
  }
}

bool WorkerQueue::next(FileItem& item) {
  if (!readingAhead_ && onDisk_.load(std::memory_order_relaxed)) start_reading_ahead();
  // Refilled in halves, so that sleeping workers are woken for many jobs at a time.
  if (produced_.load(std::memory_order_relaxed) - consumed_ <= window_ / 2) fill();
  if (consumed_ >= produced_.load(std::memory_order_relaxed)) return false;
  item = slot(consumed_).item;
  return true;
}

void WorkerQueue::replay(Job& job) {
  // What the worker has read so far is shown as the one-thread program shows it while reading.
  // `done` is loaded before the records: once it is set, every read was recorded.
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    const bool finished = job.done.load();
    const std::uint64_t seen = job.reads.recorded();
    job.reads.show(guard, progress_);
    if (finished) break;
    if (memoryExhausted_) throw_exhausted();
    awaited_.store(consumed_);
    resultReady_.wait(guard, [&] {
      return job.done.load() || job.reads.recorded() != seen || memoryExhausted_ ||
             (starving_.load() && can_feed());
    });
    awaited_.store(kNobody);
    if (!job.done.load() && starving_.load() && can_feed()) {
      guard.unlock();
      feed_workers();
      guard.lock();
    }
  }
}

bool WorkerQueue::result(hash::Value& value) {
  Job& job = slot(consumed_);
  if (recording_) {
    replay(job);
  } else if (!job.done.load()) {
    // The workers are behind: top the window up, then sleep until a run of small files is done
    // rather than waking for each. After a large file each one is worth a wake.
    fill();
    const std::uint64_t last = produced_.load(std::memory_order_relaxed) - 1;
    const std::uint64_t ahead = batch_ && lastBytes_ < filehash::kReadSize ? baseWindow_ / 4 : 0;
    wait_for(std::min(consumed_ + ahead, last));
    wait_for(consumed_);
  }
  // Results finished before a worker ran out of memory are still taken, in order; the first one
  // it left unfinished ends the run.
  if (!job.done.load()) throw_exhausted();
  // The worker's outcome is read only now that `done` was seen.
  bool hashed = false;
  if (job.isOutput) {
    // Read now, after everything written before its turn, exactly as one thread reads it.
    if (!atTurnHasher_) atTurnHasher_ = std::make_unique<filehash::FileHasher>(engine_, &progress_);
    hashed = atTurnHasher_->hash_file(job.item.path, value, function_);
  } else {
    lastBytes_ = job.bytes;
    if (!recording_) progress_.advance(job.bytes);
    progress_.erase();
    hashed = job.hashed;
    value = job.value;
  }
  ++consumed_;
  if (consumed_ % kChunkJobs == 0) {
    // Every job of the chunk was taken: no worker touches it again.
    Chunk*& place = places_[((consumed_ - 1) / kChunkJobs) % kChunkPlaces];
    spareChunks_.push_back(place);
    const std::lock_guard<std::mutex> guard(aheadLock_);
    released_ = consumed_;
    place = nullptr;
  }
  return hashed;
}

std::unique_ptr<FileHashes> hash_files(JobSource& source, hash::Engine engine,
                                       hash::Function function, filehash::ProgressState& progress,
                                       unsigned threads, std::vector<platform::FileId> readAtTurn,
                                       bool batch) {
  // Even one hashing thread runs beside this one: it steps several files at once in the lanes of
  // the engine, which in place, file after file, it could not. A run always asks for one at
  // least; 0 is the tests' way to hash in place, which is also what a system that gives no
  // thread gets.
  if (threads > 0) {
    auto queue = std::make_unique<WorkerQueue>(source, engine, function, progress, threads,
                                               std::move(readAtTurn), batch);
    if (queue->started()) return queue;
  }
  return std::make_unique<InPlaceHashes>(source, engine, function, progress);
}

}  // namespace verolt::app
