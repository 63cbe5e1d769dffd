// Hashing on worker threads gives exactly what hashing in place, file after file on the calling
// thread, gives: the same values in the same order, the same progress text, and a clean stop
// when the reader leaves early. In place (0 threads) shares no code with the workers' lanes.
// Each case runs for a function of one lane and for one the engine steps two files at once in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/hash_queue.h"

namespace verolt::app {
namespace {

namespace fs = std::filesystem;

// The names a list would give, from memory.
class Names final : public JobSource {
 public:
  explicit Names(const std::vector<FileItem>& items) : items_(items) {}
  bool next(FileItem& item) override {
    if (next_ == items_.size()) return false;
    item = items_[next_++];
    return true;
  }

 private:
  const std::vector<FileItem>& items_;
  std::size_t next_ = 0;
};

class HashQueue : public testing::TestWithParam<hash::Function> {
 protected:
  void SetUp() override {
    // A directory of its own: CTest runs the tests side by side, and other builds' runs may too.
    std::random_device entropy;
    do {
      dir_ = fs::temp_directory_path() / ("verolt-hash-queue-" + std::to_string(entropy()));
    } while (!fs::create_directory(dir_));
    std::mt19937 random(7);
    for (int i = 0; i < 60; ++i) {
      const fs::path file = dir_ / ("f" + std::to_string(i));
      // Sizes from empty to several reads, with a missing file now and then, and a file no list
      // line could name, which must not be read.
      if (i % 13 != 5) {
        const std::size_t size = (i % 7 == 0) ? 300000 + random() % 50000 : random() % 5000;
        write_random(file, size, random);
      }
      add(names_, file, i != kUnlistable);
    }
  }
  static constexpr int kUnlistable = 9;
  static void add(std::vector<FileItem>& items, const fs::path& file, bool listable = true) {
    FileItem item;
    item.name = file.string();
    item.path = item.name;
    item.listable = listable;
    items.push_back(std::move(item));
  }
  // Many more tiny files than the queue holds at once, so that its places are reused.
  std::vector<FileItem> make_tiny_files(int count) const {
    std::mt19937 random(11);
    std::vector<FileItem> items;
    for (int i = 0; i < count; ++i) {
      const fs::path file = dir_ / ("t" + std::to_string(i));
      if (i % 97 != 3) write_random(file, random() % 300, random);
      add(items, file);
    }
    return items;
  }
  static void write_random(const fs::path& file, std::size_t size, std::mt19937& random) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    std::ofstream(file, std::ios::binary) << bytes;
  }
  void TearDown() override { fs::remove_all(dir_); }

  struct Outcome {
    std::vector<std::string> names;
    std::vector<bool> hashed;
    std::vector<hash::Value> values;
    std::string progress;
    std::uint64_t doneBytes = 0;
  };

  // Runs the files through a queue, taking at most `limit` results. Without a sink the progress
  // is counted but shown nowhere, as when standard error is no terminal.
  Outcome run(unsigned threads, std::size_t limit = SIZE_MAX, bool shown = true,
              bool batch = false) const {
    return run(names_, threads, limit, shown, batch);
  }
  Outcome run(const std::vector<FileItem>& items, unsigned threads, std::size_t limit = SIZE_MAX,
              bool shown = true, bool batch = false) const {
    Outcome outcome;
    filehash::ProgressState::Sink sink;
    if (shown) sink = [&outcome](std::string_view text) { outcome.progress.append(text); };
    filehash::ProgressState progress(sink);
    std::uint64_t total = 0;
    for (const FileItem& item : items) {
      if (!item.listable) continue;
      std::error_code error;
      const std::uintmax_t size = fs::file_size(item.path, error);
      if (!error) total += size;
    }
    progress.progress_set_total(total);
    Names source(items);
    const auto queue =
        hash_files(source, hash::best_engine(), GetParam(), progress, threads, {}, batch);
    FileItem item;
    while (outcome.names.size() < limit && queue->next(item)) {
      hash::Value value{};
      outcome.names.push_back(item.name);
      outcome.hashed.push_back(queue->result(value));
      outcome.values.push_back(value);
    }
    outcome.doneBytes = progress.doneBytes();
    return outcome;
  }

  fs::path dir_;
  std::vector<FileItem> names_;
};

TEST_P(HashQueue, ThreadsChangeNothingThatCanBeSeen) {
  const Outcome one = run(0);
  ASSERT_EQ(one.names.size(), 60U);
  EXPECT_FALSE(one.hashed[5]);
  EXPECT_FALSE(one.hashed[kUnlistable]);
  EXPECT_TRUE(one.hashed[kUnlistable + 1]);
  EXPECT_EQ(one.values[0].function, GetParam());
  EXPECT_NE(one.progress.find("100.00%"), std::string::npos);
  for (unsigned threads : {1U, 2U, 3U, 8U}) {
    const Outcome many = run(threads);
    EXPECT_EQ(many.names, one.names) << threads;
    EXPECT_EQ(many.hashed, one.hashed) << threads;
    EXPECT_EQ(many.values, one.values) << threads;
    EXPECT_EQ(many.progress, one.progress) << threads;
  }
}

TEST_P(HashQueue, LeavingEarlyDropsWhatWasHashedAhead) {
  const Outcome one = run(0, 3);
  const Outcome many = run(4, 3);
  EXPECT_EQ(many.values, one.values);
  EXPECT_EQ(many.progress, one.progress);
}

TEST_P(HashQueue, ManyTinyFilesComeBackInOrder) {
  const std::vector<FileItem> tiny = make_tiny_files(1000);
  for (bool shown : {true, false}) {
    const Outcome one = run(tiny, 0, SIZE_MAX, shown);
    ASSERT_EQ(one.names.size(), 1000U);
    EXPECT_FALSE(one.hashed[3]);
    EXPECT_TRUE(one.progress.empty() != shown);
    for (unsigned threads : {1U, 3U}) {
      SCOPED_TRACE(std::to_string(threads) + (shown ? " shown" : " not shown"));
      // Results taken one by one, and in runs (as a hash list takes them).
      const Outcome many = run(tiny, threads, SIZE_MAX, shown, threads == 3);
      EXPECT_EQ(many.names, one.names);
      EXPECT_EQ(many.hashed, one.hashed);
      EXPECT_EQ(many.values, one.values);
      EXPECT_EQ(many.progress, one.progress);
      EXPECT_EQ(many.doneBytes, one.doneBytes);
    }
    // Leaving with most of the queue hashed ahead, some of it a second time round.
    const Outcome early = run(tiny, 4, 300, shown);
    EXPECT_EQ(early.values, std::vector<hash::Value>(one.values.begin(), one.values.begin() + 300));
  }
}

TEST_P(HashQueue, FilesFarBehindALargeOneComeBackInOrder) {
  // The large file holds its result while the workers hash thousands of files past it, more
  // than the queue holds at first, in places that are let go and taken again.
  std::mt19937 random(5);
  write_random(dir_ / "large", 12U << 20, random);
  std::vector<FileItem> behind;
  add(behind, dir_ / "large");
  for (FileItem& item : make_tiny_files(3000)) behind.push_back(std::move(item));
  for (bool shown : {true, false}) {
    const Outcome one = run(behind, 0, SIZE_MAX, shown);
    ASSERT_EQ(one.names.size(), 3001U);
    for (unsigned threads : {1U, 2U}) {
      SCOPED_TRACE(std::to_string(threads) + (shown ? " shown" : " not shown"));
      const Outcome many = run(behind, threads, SIZE_MAX, shown, !shown);
      EXPECT_EQ(many.names, one.names);
      EXPECT_EQ(many.hashed, one.hashed);
      EXPECT_EQ(many.values, one.values);
      EXPECT_EQ(many.progress, one.progress);
    }
  }
}

// GOST R 34.11-94 steps one file at a time; GOST R 34.11-2012 two, where the engine has the step.
INSTANTIATE_TEST_SUITE_P(, HashQueue,
                         testing::Values(hash::Function::gost94(1), hash::Function::gost2012(512)),
                         [](const testing::TestParamInfo<hash::Function>& tested) {
                           return tested.param.family == hash::Function::Family::gost94
                                      ? std::string("gost94")
                                      : std::string("gost2012");
                         });

}  // namespace
}  // namespace verolt::app
