// The percentage shown while files are read, and what is told of each read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace verolt::filehash {

// Size of one read from a data file.
inline constexpr std::size_t kReadSize = 131072;

// The percentage text for `done` bytes of `total` ("43.69%"), or empty when total is 0. Both are
// scaled down together until they fit 32 bits, so totals past 4 GiB keep their ratio.
std::string progress_text(std::uint64_t done, std::uint64_t total);

// Told of every read of a file being hashed, and of the end of that file.
class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
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
  // After a read of n bytes: replaces the shown text by the new percentage, when that differs.
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
  std::string shown_;  // on the screen now, right before the cursor
};

}  // namespace verolt::filehash
