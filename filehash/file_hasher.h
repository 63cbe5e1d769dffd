// Hashing files: one file after another into a running hash (FileHasher), or several files at once
// in the lanes of an engine (LaneFileHasher). This layer opens and reads files; the hash library
// below it only sees bytes, and the program above it decides which files and in what order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filehash/progress.h"
#include "hash/function.h"
#include "platform/files.h"

namespace verolt::filehash {

// Reads files into hash contexts through one read buffer, reused for every file.
class FileHasher {
 public:
  explicit FileHasher(hash::Engine engine, ReadObserver* observer = nullptr);

  // Adds the whole file to `context`. False when the file cannot be opened or a read fails;
  // the context is then as it was before the call.
  bool hash_add_file(hash::Context& context, const std::string& name);
  // The hash of the whole file by `function`. False (and `out` untouched) on failure.
  bool hash_file(const std::string& name, hash::Value& out, hash::Function function);
  hash::Engine engine() const { return engine_; }

 private:
  ReadObserver* observer_;
  std::vector<std::uint8_t> buffer_;
  hash::Engine engine_;
};

// Several files hashed side by side in the lanes of one engine, so that one core steps several
// chains at once. Passive: the caller opens a file in an idle lane, looks at it, starts it, and
// calls step() for as long as any lane is busy; each step reports what it read and which files
// ended. A file that fails touches no other lane.
//
//   if (lanes.open(i, path) && wanted(lanes.file_id(i))) lanes.start(i); else lanes.cancel(i);
//   while (lanes.busy_count() > 0) { lanes.step(events); ...refill idle lanes... }
class LaneFileHasher {
 public:
  struct Event {
    std::size_t lane;
    std::uint64_t bytes = 0;  // read from the lane's file in this step (0 for an end)
    bool ended = false;       // the file ended: `hashed` and `value` say how
    bool hashed = false;      // read to its end; false: a read failed
    hash::Value value{};
  };

  // `lanes` 0: as many as the engine steps together at its best.
  LaneFileHasher(hash::Engine engine, hash::Function function, std::size_t lanes = 0);
  ~LaneFileHasher();
  LaneFileHasher(const LaneFileHasher&) = delete;
  LaneFileHasher& operator=(const LaneFileHasher&) = delete;

  std::size_t lanes() const;
  bool busy(std::size_t lane) const;
  std::size_t busy_count() const;

  // Opens `path` in an idle lane without reading it; false when it cannot be opened (the lane
  // stays idle). Then exactly one of start() and cancel() follows.
  bool open(std::size_t lane, const std::string& path);
  // Identity of the file open in the lane.
  platform::FileId file_id(std::size_t lane) const;
  void start(std::size_t lane);
  void cancel(std::size_t lane);

  // Reads every busy lane that needs bytes and steps the engine until some lane needs bytes
  // again; appends to `events` each read and each end, in order for each lane. A lane whose file
  // ended is idle again. Each call reads at most one buffer of each file and hashes as much, so
  // a caller that looks at a stop flag between calls stops soon.
  void step(std::vector<Event>& events);
  // Reads so far that waited long enough to have gone to the disk.
  std::uint64_t slow_reads() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace verolt::filehash
