#include "gost/file_hash.h"

#include <array>
#include <charconv>
#include <utility>

#include "gost/hash_lanes.h"
#include "platform/console.h"
#include "platform/files.h"

namespace verolt::gost {

std::string progress_text(std::uint64_t done, std::uint64_t total) {
  // Scaled together so that both fit 32 bits and their ratio stays.
  while ((done >> 32) != 0 || (total >> 32) != 0) {
    done >>= 1;
    total >>= 1;
  }
  if (total == 0) return {};

  // Single precision first, as the percentage has always been computed; the division itself is
  // in double precision.
  const auto d = static_cast<float>(static_cast<std::uint32_t>(done));
  const auto t = static_cast<float>(static_cast<std::uint32_t>(total));
  const double percent = static_cast<double>(d) * 100.0 / static_cast<double>(t);

  // to_chars formats like "%0.2f" but ignores the locale, which may want a decimal comma. The
  // largest value, (2^32 - 1) * 100, needs 15 characters.
  std::array<char, 32> digits{};
  const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), percent,
                                    std::chars_format::fixed, 2);
  if (result.ec != std::errc()) return {};
  std::string text(digits.data(), result.ptr);
  text += '%';
  return text;
}

ProgressState::ProgressState() {
  if (platform::console_channel_open()) {
    sink_ = [](std::string_view text) { platform::console_write(text); };
  }
}

ProgressState::ProgressState(Sink sink) : sink_(std::move(sink)) {}

void ProgressState::progress_set_total(std::uint64_t total) {
  totalBytes_ = total;
  doneBytes_ = 0;
  shownWidth_ = 0;
}

void ProgressState::advance(std::uint64_t n) {
  doneBytes_ += n;
  if (!sink_) return;
  const std::string text = progress_text(doneBytes_, totalBytes_);
  if (text.empty()) return;
  // Back over the previous percentage, then the new one, in one write.
  std::string out(static_cast<std::size_t>(shownWidth_), '\b');
  out += text;
  sink_(out);
  shownWidth_ = static_cast<int>(text.size());
}

void ProgressState::erase() {
  if (shownWidth_ == 0) return;
  std::string out;
  out.reserve(3 * static_cast<std::size_t>(shownWidth_));
  for (int i = 0; i < shownWidth_; ++i) out += "\b \b";
  if (sink_) sink_(out);
  shownWidth_ = 0;
}

FileHasher::FileHasher(ReadObserver* observer) : observer_(observer), buffer_(kReadSize) {}

bool FileHasher::hash_add_file(HashContext& context, const std::string& name) {
  platform::InputFile file;
  if (!file.open(name)) return false;
  if (observer_ != nullptr && !observer_->on_open(file.id())) return false;

  // A file that fails half way must leave no trace in a stream.
  const HashContext::State saved = context.state();
  bool complete = false;
  for (;;) {
    const std::ptrdiff_t got = file.read(buffer_.data(), buffer_.size());
    if (got <= 0) {
      complete = got == 0;
      break;
    }
    const auto n = static_cast<std::size_t>(got);
    context.hash_update(buffer_.data(), n);
    if (observer_ != nullptr && !observer_->on_read(n)) break;
  }
  file.close();
  if (observer_ != nullptr) observer_->on_file_end();

  if (!complete) context.restore(saved);
  return complete;
}

bool FileHasher::hash_file(const std::string& name, HashValue& out, int set) {
  context_.hash_reset(set);
  if (!hash_add_file(context_, name)) return false;
  context_.hash_finish(out);
  return true;
}

struct LaneFileHasher::State {
  struct Lane {
    platform::InputFile file;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kReadSize);
    File job;
    bool busy = false;
  };
  State(int set, std::size_t lanes) : hashes(default_engine(), set, lanes), lane(hashes.size()) {}

  // Ends lane i's file: with its value, or failed (nothing of it remains in the lane).
  void end(std::size_t i, bool hashed, const Done& done) {
    Lane& l = lane[i];
    l.file.close();
    if (hashed) {
      hashes.finish(i, l.job.value);
    } else {
      hashes.start(i);
    }
    l.job.hashed = hashed;
    if (l.job.observer != nullptr) l.job.observer->on_file_end();
    l.busy = false;
    done(i, l.job);
  }

  // Gives a busy lane its next read: whole blocks to step, or the end of its file.
  void read(std::size_t i, const Done& done) {
    Lane& l = lane[i];
    while (l.busy && hashes.hungry(i)) {
      const std::ptrdiff_t got = l.file.read(l.buffer.data(), l.buffer.size());
      if (got <= 0) {
        end(i, got == 0, done);
        return;
      }
      const auto n = static_cast<std::size_t>(got);
      hashes.feed(i, l.buffer.data(), n);
      if (l.job.observer != nullptr && !l.job.observer->on_read(n)) end(i, false, done);
    }
  }

  HashLanes hashes;
  std::vector<Lane> lane;
};

LaneFileHasher::LaneFileHasher(int set, std::size_t lanes)
    : state_(std::make_unique<State>(set, lanes)) {}
LaneFileHasher::~LaneFileHasher() = default;

std::size_t LaneFileHasher::lanes() const { return state_->lane.size(); }

void LaneFileHasher::run(const Take& take, const Done& done) {
  State& s = *state_;
  for (;;) {
    std::size_t busy = 0;
    for (const State::Lane& l : s.lane) busy += l.busy ? 1 : 0;
    // Free lanes take what is there; only with every lane free may taking wait, and only then
    // does "nothing" mean the end.
    bool ended = false;
    bool dry = false;
    for (std::size_t i = 0; i < s.lane.size() && !dry; ++i) {
      State::Lane& l = s.lane[i];
      while (!l.busy) {
        l.job = File();
        if (!take(i, l.job, busy == 0)) {
          ended = busy == 0;
          dry = true;
          break;
        }
        if (!l.file.open(l.job.path)) {
          done(i, l.job);
          continue;
        }
        if (l.job.observer != nullptr && !l.job.observer->on_open(l.file.id())) {
          l.file.close();
          done(i, l.job);
          continue;
        }
        s.hashes.start(i);
        l.busy = true;
        s.read(i, done);
        if (l.busy) ++busy;
      }
    }
    if (busy == 0) {
      if (ended) return;
      continue;
    }
    s.hashes.run();
    for (std::size_t i = 0; i < s.lane.size(); ++i) s.read(i, done);
  }
}

}  // namespace verolt::gost
