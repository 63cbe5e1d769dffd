// Hashing whole files into a running hash, with the percentage shown while they are read.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gost/hash.h"
#include "platform/files.h"

namespace verolt::gost {

// Size of one read from a data file.
inline constexpr std::size_t kReadSize = 131072;

// The percentage text for `done` bytes of `total` ("43.69%"), or empty when total is 0. Both are
// scaled down together until they fit 32 bits, so totals past 4 GiB keep their ratio.
std::string progress_text(std::uint64_t done, std::uint64_t total);

// Told of every read of a file being hashed, and of the end of that file.
class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
  // Once the file is open, before its first read. False leaves it unread: the file then counts
  // as failed.
  virtual bool on_open(const platform::FileId& /*file*/) { return true; }
  // After a read of n bytes. False stops the reading: the file then counts as failed.
  virtual bool on_read(std::uint64_t n) = 0;
  virtual void on_file_end() = 0;

 protected:
  ReadObserver() = default;
  ReadObserver(const ReadObserver&) = default;
  ReadObserver& operator=(const ReadObserver&) = default;
};

// Progress of a run across all its files. The text goes to a sink: the console channel by
// default; nothing is shown while no total is set.
class ProgressState : public ReadObserver {
 public:
  using Sink = std::function<void(std::string_view)>;

  ProgressState();  // writes to the console channel when there is one
  explicit ProgressState(Sink sink);

  void progress_set_total(std::uint64_t total);
  // After a read of n bytes: replaces the shown text by the new percentage.
  void advance(std::uint64_t n);
  // At the end of a file: erases the shown text.
  void erase();

  bool on_read(std::uint64_t n) override {
    advance(n);
    return true;
  }
  void on_file_end() override { erase(); }

  // False when the text goes nowhere: then only the count of bytes matters.
  bool shown() const { return static_cast<bool>(sink_); }
  std::uint64_t totalBytes() const { return totalBytes_; }
  std::uint64_t doneBytes() const { return doneBytes_; }

 private:
  Sink sink_;
  std::uint64_t totalBytes_ = 0;
  std::uint64_t doneBytes_ = 0;
  int shownWidth_ = 0;
};

// Reads files into hash contexts through one read buffer, reused for every file.
class FileHasher {
 public:
  explicit FileHasher(ReadObserver* observer = nullptr);

  // Adds the whole file to `context`. False when the file cannot be opened or a read fails;
  // the context is then as it was before the call.
  bool hash_add_file(HashContext& context, const std::string& name);
  // Reset with `set`, the whole file, finish. False (and `out` untouched) on failure.
  bool hash_file(const std::string& name, HashValue& out, int set);

 private:
  ReadObserver* observer_;
  std::vector<std::uint8_t> buffer_;
  HashContext context_;
};

// Several files hashed side by side in the lanes of one engine: a lane is refilled as soon as its
// file ends, so that files of any sizes keep every lane busy, and one core steps several chains
// at once. Files are read through one buffer per lane; a file that fails touches no other lane.
class LaneFileHasher {
 public:
  struct File {
    std::string path;
    ReadObserver* observer = nullptr;
    bool hashed = false;  // set when the file ends
    HashValue value{};
  };
  // Gives lane `lane` its next file; false when there is none. `idle` tells that no other lane is
  // busy, so the call may wait for work.
  using Take = std::function<bool(std::size_t lane, File& file, bool idle)>;
  // Told of each file when it ends, in the order the files end.
  using Done = std::function<void(std::size_t lane, File& file)>;

  // `lanes` 0: as many as the engine steps together at its best.
  explicit LaneFileHasher(int set, std::size_t lanes = 0);
  ~LaneFileHasher();
  LaneFileHasher(const LaneFileHasher&) = delete;
  LaneFileHasher& operator=(const LaneFileHasher&) = delete;

  std::size_t lanes() const;
  // Hashes files until `take` has no more and every lane has ended its file.
  void run(const Take& take, const Done& done);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace verolt::gost
