#include "filehash/file_hasher.h"

#include <chrono>

namespace verolt::filehash {

FileHasher::FileHasher(hash::Engine engine, ReadObserver* observer)
    : observer_(observer), buffer_(kReadSize), engine_(hash::usable_engine(engine)) {}

bool FileHasher::hash_add_file(hash::Context& context, const std::string& name) {
  platform::InputFile file;
  if (!file.open(name)) return false;

  // A file that fails half way must leave no trace in a stream.
  const hash::Context saved = context;
  bool complete = false;
  for (;;) {
    const std::ptrdiff_t got = file.read(buffer_.data(), buffer_.size());
    if (got <= 0) {
      complete = got == 0;
      break;
    }
    const auto n = static_cast<std::size_t>(got);
    context.update(buffer_.data(), n);
    if (observer_ != nullptr && !observer_->on_read(n)) break;
  }
  file.close();
  if (observer_ != nullptr) observer_->on_file_end();

  if (!complete) context = saved;
  return complete;
}

bool FileHasher::hash_file(const std::string& name, hash::Value& out, hash::Function function) {
  hash::Context context(engine_, function);
  if (!hash_add_file(context, name)) return false;
  context.finish(out);
  return true;
}

struct LaneFileHasher::State {
  struct Lane {
    platform::InputFile file;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kReadSize);
    bool busy = false;
  };
  State(hash::Engine engine, hash::Function function, std::size_t lanes)
      : hashes(engine, function, lanes), lane(hashes.size()) {}

  hash::Lanes hashes;
  std::vector<Lane> lane;
  std::size_t busy = 0;
  std::uint64_t slowReads = 0;
};

namespace {

// A read served from the cache copies at gigabytes a second; one that takes this long waited for
// the disk (or for the processor, which the caller allows for by counting).
constexpr std::chrono::microseconds kSlowRead{400};

}  // namespace

LaneFileHasher::LaneFileHasher(hash::Engine engine, hash::Function function, std::size_t lanes)
    : state_(std::make_unique<State>(engine, function, lanes)) {}
LaneFileHasher::~LaneFileHasher() = default;

std::size_t LaneFileHasher::lanes() const { return state_->lane.size(); }
bool LaneFileHasher::busy(std::size_t lane) const { return state_->lane[lane].busy; }
std::size_t LaneFileHasher::busy_count() const { return state_->busy; }
std::uint64_t LaneFileHasher::slow_reads() const { return state_->slowReads; }

bool LaneFileHasher::open(std::size_t lane, const std::string& path) {
  return state_->lane[lane].file.open(path);
}

platform::FileId LaneFileHasher::file_id(std::size_t lane) const {
  return state_->lane[lane].file.id();
}

void LaneFileHasher::start(std::size_t lane) {
  state_->hashes.start(lane);
  state_->lane[lane].busy = true;
  ++state_->busy;
}

void LaneFileHasher::cancel(std::size_t lane) { state_->lane[lane].file.close(); }

void LaneFileHasher::step(std::vector<Event>& events) {
  State& s = *state_;
  for (std::size_t i = 0; i < s.lane.size(); ++i) {
    State::Lane& l = s.lane[i];
    // A read too short for a whole block leaves the lane hungry: it reads on, as one stream would.
    while (l.busy && s.hashes.hungry(i)) {
      const auto before = std::chrono::steady_clock::now();
      const std::ptrdiff_t got = l.file.read(l.buffer.data(), l.buffer.size());
      if (std::chrono::steady_clock::now() - before >= kSlowRead) ++s.slowReads;
      if (got > 0) {
        s.hashes.feed(i, l.buffer.data(), static_cast<std::size_t>(got));
        events.push_back({i, static_cast<std::uint64_t>(got)});
        continue;
      }
      // The end of the file, or a read that failed: nothing of a failed file remains in the lane.
      Event end{i};
      end.ended = true;
      end.hashed = got == 0;
      if (end.hashed) {
        s.hashes.finish(i, end.value);
      } else {
        s.hashes.start(i);
      }
      l.file.close();
      l.busy = false;
      --s.busy;
      events.push_back(end);
    }
  }
  s.hashes.run();
}

}  // namespace verolt::filehash
