// Hashing on worker threads gives exactly what hashing in place, file after file on the calling
// thread, gives: the same values in the same order, the same progress text, and a clean stop
// when the reader leaves early. In place (0 threads) shares no code with the workers' lanes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/hash_queue.h"

namespace verolt::app {
namespace {

namespace fs = std::filesystem;

class HashQueue : public testing::Test {
 protected:
  void SetUp() override {
    // One directory per test: CTest runs the tests of this fixture side by side.
    dir_ = fs::temp_directory_path() /
           ("verolt-hash-queue-" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::mt19937 random(7);
    std::ofstream list(dir_ / "names.lst", std::ios::binary);
    for (int i = 0; i < 60; ++i) {
      const fs::path file = dir_ / ("f" + std::to_string(i));
      // Sizes from empty to several reads, with a missing file now and then.
      if (i % 13 != 5) {
        const std::size_t size = (i % 7 == 0) ? 300000 + random() % 50000 : random() % 5000;
        write_random(file, size, random);
      }
      list << file.string() << "\n";
    }
  }
  // Many more tiny files than the queue holds at once, so that its places are reused.
  void make_tiny_files(int count) const {
    std::mt19937 random(11);
    std::ofstream list(dir_ / "tiny.lst", std::ios::binary);
    for (int i = 0; i < count; ++i) {
      const fs::path file = dir_ / ("t" + std::to_string(i));
      if (i % 97 != 3) write_random(file, random() % 300, random);
      list << file.string() << "\n";
    }
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

  // Runs the list through a queue, taking at most `limit` results. Without a sink the progress
  // is counted but shown nowhere, as when standard error is no terminal.
  Outcome run(unsigned threads, std::size_t limit = SIZE_MAX, const char* listName = "names.lst",
              bool shown = true, bool batch = false) const {
    RunSettings settings;
    settings.listName = (dir_ / listName).string();
    Outcome outcome;
    filehash::ProgressState::Sink sink;
    if (shown) sink = [&outcome](std::string_view text) { outcome.progress.append(text); };
    filehash::ProgressState progress(sink);
    int exitCode = 0;
    const auto source = FileSource::from_list(settings, progress, exitCode);
    EXPECT_TRUE(source);
    FileHashQueue queue(*source, hash::best_engine(), hash::Function::gost94(1), progress, threads,
                        {}, batch);
    FileItem item;
    while (outcome.names.size() < limit && queue.next(item)) {
      hash::Value value{};
      outcome.names.push_back(item.name);
      outcome.hashed.push_back(queue.result(value));
      outcome.values.push_back(value);
    }
    outcome.doneBytes = progress.doneBytes();
    return outcome;
  }

  fs::path dir_;
};

TEST_F(HashQueue, ThreadsChangeNothingThatCanBeSeen) {
  const Outcome one = run(0);
  ASSERT_EQ(one.names.size(), 60U);
  EXPECT_FALSE(one.hashed[5]);
  EXPECT_NE(one.progress.find("100.00%"), std::string::npos);
  for (unsigned threads : {1U, 2U, 3U, 8U}) {
    const Outcome many = run(threads);
    EXPECT_EQ(many.names, one.names) << threads;
    EXPECT_EQ(many.hashed, one.hashed) << threads;
    EXPECT_EQ(many.values, one.values) << threads;
    EXPECT_EQ(many.progress, one.progress) << threads;
  }
}

TEST_F(HashQueue, LeavingEarlyDropsWhatWasHashedAhead) {
  const Outcome one = run(0, 3);
  const Outcome many = run(4, 3);
  EXPECT_EQ(many.values, one.values);
  EXPECT_EQ(many.progress, one.progress);
}

TEST_F(HashQueue, ManyTinyFilesComeBackInOrder) {
  make_tiny_files(1000);
  for (bool shown : {true, false}) {
    const Outcome one = run(0, SIZE_MAX, "tiny.lst", shown);
    ASSERT_EQ(one.names.size(), 1000U);
    EXPECT_FALSE(one.hashed[3]);
    EXPECT_TRUE(one.progress.empty() != shown);
    for (unsigned threads : {1U, 3U}) {
      SCOPED_TRACE(std::to_string(threads) + (shown ? " shown" : " not shown"));
      // Results taken one by one, and in runs (as a hash list takes them).
      const Outcome many = run(threads, SIZE_MAX, "tiny.lst", shown, threads == 3);
      EXPECT_EQ(many.names, one.names);
      EXPECT_EQ(many.hashed, one.hashed);
      EXPECT_EQ(many.values, one.values);
      EXPECT_EQ(many.progress, one.progress);
      EXPECT_EQ(many.doneBytes, one.doneBytes);
    }
    // Leaving with most of the queue hashed ahead, some of it a second time round.
    const Outcome early = run(4, 300, "tiny.lst", shown);
    EXPECT_EQ(early.values, std::vector<hash::Value>(one.values.begin(), one.values.begin() + 300));
  }
}

TEST_F(HashQueue, FilesFarBehindALargeOneComeBackInOrder) {
  // The large file holds its result while the workers hash thousands of files past it, more
  // than the queue holds at first, in places that are let go and taken again.
  std::mt19937 random(5);
  write_random(dir_ / "large", 12U << 20, random);
  make_tiny_files(3000);
  {
    std::ifstream tiny(dir_ / "tiny.lst", std::ios::binary);
    std::ofstream list(dir_ / "behind.lst", std::ios::binary);
    list << (dir_ / "large").string() << "\n" << tiny.rdbuf();
  }
  for (bool shown : {true, false}) {
    const Outcome one = run(0, SIZE_MAX, "behind.lst", shown);
    ASSERT_EQ(one.names.size(), 3001U);
    for (unsigned threads : {1U, 2U}) {
      SCOPED_TRACE(std::to_string(threads) + (shown ? " shown" : " not shown"));
      const Outcome many = run(threads, SIZE_MAX, "behind.lst", shown, !shown);
      EXPECT_EQ(many.names, one.names);
      EXPECT_EQ(many.hashed, one.hashed);
      EXPECT_EQ(many.values, one.values);
      EXPECT_EQ(many.progress, one.progress);
    }
  }
}

}  // namespace
}  // namespace verolt::app
