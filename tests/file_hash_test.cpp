#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "filehash/file_hasher.h"
#include "hash/function.h"
#include "random_bytes.h"

namespace {

namespace fs = std::filesystem;
using verolt::filehash::FileHasher;
using verolt::filehash::progress_text;
using verolt::filehash::ProgressState;
using verolt::hash::Function;
using verolt::test::random_bytes;
using HashContext = verolt::hash::Context;
using HashValue = verolt::hash::Value;

constexpr Function kFunctions[] = {Function::gost94(0), Function::gost94(2),
                                   Function::gost2012(256), Function::gost2012(512)};

HashValue hash_bytes(int set, const void* data, std::size_t n) {
  return verolt::hash::hash_bytes(Function::gost94(set), data, n);
}

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

std::string backspaces(int n) { return std::string(static_cast<std::size_t>(n), '\b'); }

std::string erasure(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "\b \b";
  return text;
}

TEST(ProgressText, PercentOfOneFile) {
  EXPECT_EQ(progress_text(131072, 300000), "43.69%");
  EXPECT_EQ(progress_text(262144, 300000), "87.38%");
  EXPECT_EQ(progress_text(300000, 300000), "100.00%");
  EXPECT_EQ(progress_text(0, 300000), "0.00%");
}

TEST(ProgressText, MoreReadThanExpectedGoesPastHundred) {
  EXPECT_EQ(progress_text(7, 30), "23.33%");
  EXPECT_EQ(progress_text(47, 30), "156.67%");
  EXPECT_EQ(progress_text(50, 30), "166.67%");
}

TEST(ProgressText, LargeCountsAreScaledTogether) {
  EXPECT_EQ(progress_text(20, 8 * kGiB + 5), "0.00%");
  EXPECT_EQ(progress_text(6 * kGiB, 8 * kGiB), "75.00%");
  EXPECT_EQ(progress_text(8 * kGiB + 5, 8 * kGiB + 5), "100.00%");
  // Only the count read is past 32 bits: a file that grew beyond the total.
  EXPECT_EQ(progress_text(4 * kGiB, 2 * kGiB), "200.00%");
  EXPECT_EQ(progress_text(UINT64_MAX, UINT64_MAX), "100.00%");
}

TEST(ProgressText, NoTotalNoText) {
  EXPECT_EQ(progress_text(0, 0), "");
  EXPECT_EQ(progress_text(12345, 0), "");
  // A total that scales down to nothing alongside a huge count.
  EXPECT_EQ(progress_text(UINT64_MAX, 1), "");
}

struct Recorder {
  std::string received;
  int writes = 0;
  ProgressState::Sink sink() {
    return [this](std::string_view text) {
      received += text;
      ++writes;
    };
  }
};

TEST(ProgressState, ReplacesAndErasesItsText) {
  Recorder out;
  ProgressState progress(out.sink());
  progress.progress_set_total(30);
  progress.advance(7);
  progress.advance(40);
  progress.advance(3);
  progress.erase();
  EXPECT_EQ(out.received,
            "23.33%" + backspaces(6) + "156.67%" + backspaces(7) + "166.67%" + erasure(7));
  EXPECT_EQ(progress.doneBytes(), 50u);

  // Nothing shown, nothing to erase.
  out.received.clear();
  progress.erase();
  EXPECT_EQ(out.received, "");
}

TEST(ProgressState, WritesOnlyWhenItsTextChanges) {
  // Steps: 't' a total of 1000000 bytes, 'r' a read of 1 byte (still 0.00%), 'R' a read of 10000
  // (one per cent more), 'e' the end of a file. Erased or left behind, a text is written anew.
  const struct {
    const char* steps;
    std::string expected;
    int writes;
  } cases[] = {
      {"trrrr", "0.00%", 1},
      {"trrRrr", "0.00%" + backspaces(5) + "1.00%", 2},
      {"trrerre", "0.00%" + erasure(5) + "0.00%" + erasure(5), 4},
      {"trrtrr", "0.00%0.00%", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    Recorder out;
    ProgressState progress(out.sink());
    for (const char* step = c.steps; *step != '\0'; ++step) {
      if (*step == 't') progress.progress_set_total(1000000);
      if (*step == 'r' || *step == 'R') progress.advance(*step == 'r' ? 1 : 10000);
      if (*step == 'e') progress.erase();
    }
    EXPECT_EQ(out.received, c.expected);
    EXPECT_EQ(out.writes, c.writes);
  }
}

TEST(ProgressState, SilentWithoutTotal) {
  Recorder out;
  ProgressState progress(out.sink());
  progress.advance(100);
  progress.erase();
  progress.progress_set_total(0);
  progress.advance(100);
  progress.erase();
  EXPECT_EQ(out.writes, 0);
}

TEST(ProgressState, NewTotalStartsAfresh) {
  Recorder out;
  ProgressState progress(out.sink());
  progress.progress_set_total(200);
  progress.advance(150);
  progress.erase();
  progress.progress_set_total(100);
  EXPECT_EQ(progress.doneBytes(), 0u);
  EXPECT_EQ(progress.totalBytes(), 100u);
  out.received.clear();
  progress.advance(25);
  EXPECT_EQ(out.received, "25.00%");
}

class FileHashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device entropy;
    for (;;) {
      dir_ = fs::temp_directory_path() / ("verolt_file_hash_test_" + std::to_string(entropy()));
      if (fs::create_directory(dir_)) break;
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string write_file(const std::string& name, const std::vector<std::uint8_t>& content) {
    const fs::path path = dir_ / name;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    file.close();
    EXPECT_TRUE(file) << path;
    return path.string();
  }

  fs::path dir_;
};

TEST_F(FileHashTest, FileHashEqualsHashOfItsContent) {
  FileHasher hasher(verolt::hash::best_engine());
  // Sizes around the block and the read size.
  for (const std::size_t size : {0, 1, 31, 32, 33, 63, 64, 65, 131071, 131072, 131073, 300000}) {
    const auto content = random_bytes(size, static_cast<std::uint32_t>(size));
    const std::string name = write_file("data" + std::to_string(size), content);
    for (const Function function : kFunctions) {
      HashValue value{};
      ASSERT_TRUE(hasher.hash_file(name, value, function)) << name;
      EXPECT_EQ(value, verolt::hash::hash_bytes(function, content.data(), content.size()))
          << "size " << size << " function " << function.variant;
    }
  }
}

TEST_F(FileHashTest, ProgressOfOneFileByteForByte) {
  Recorder out;
  ProgressState progress(out.sink());
  FileHasher hasher(verolt::hash::best_engine(), &progress);
  const std::string name = write_file("big", random_bytes(300000, 3));
  progress.progress_set_total(300000);
  HashValue value{};
  ASSERT_TRUE(hasher.hash_file(name, value, Function::gost94(2)));
  EXPECT_EQ(out.received,
            "43.69%" + backspaces(6) + "87.38%" + backspaces(6) + "100.00%" + erasure(7));
}

TEST_F(FileHashTest, ProgressCountsAcrossFiles) {
  Recorder out;
  ProgressState progress(out.sink());
  FileHasher hasher(verolt::hash::best_engine(), &progress);
  const std::string first = write_file("first", random_bytes(100, 1));
  const std::string second = write_file("second", random_bytes(300, 2));
  progress.progress_set_total(400);
  HashValue value{};
  ASSERT_TRUE(hasher.hash_file(first, value, Function::gost94(2)));
  ASSERT_TRUE(hasher.hash_file(second, value, Function::gost94(2)));
  EXPECT_EQ(out.received, "25.00%" + erasure(6) + "100.00%" + erasure(7));
}

TEST_F(FileHashTest, EmptyFileShowsNoProgress) {
  Recorder out;
  ProgressState progress(out.sink());
  FileHasher hasher(verolt::hash::best_engine(), &progress);
  const std::string name = write_file("empty", {});
  progress.progress_set_total(1000);
  HashValue value{};
  ASSERT_TRUE(hasher.hash_file(name, value, Function::gost94(0)));
  EXPECT_EQ(value, hash_bytes(0, "", 0));
  EXPECT_EQ(out.writes, 0);
}

TEST_F(FileHashTest, StreamSkipsFilesThatCannotBeOpened) {
  Recorder out;
  ProgressState progress(out.sink());
  FileHasher hasher(verolt::hash::best_engine(), &progress);
  const std::string ab = write_file("ab", {'a', 'b'});
  const std::string c = write_file("c", {'c'});
  progress.progress_set_total(3);

  HashContext context(verolt::hash::best_engine(), Function::gost94(2));
  EXPECT_TRUE(hasher.hash_add_file(context, ab));
  // Neither a missing name nor a directory shows or counts anything.
  EXPECT_FALSE(hasher.hash_add_file(context, (dir_ / "missing").string()));
  EXPECT_FALSE(hasher.hash_add_file(context, dir_.string()));
  EXPECT_EQ(progress.doneBytes(), 2u);
  EXPECT_TRUE(hasher.hash_add_file(context, c));
  HashValue value{};
  context.finish(value);
  EXPECT_EQ(value, hash_bytes(2, "abc", 3));
  EXPECT_EQ(out.received, "66.67%" + erasure(6) + "100.00%" + erasure(7));
}

TEST_F(FileHashTest, FailureLeavesTheValueUntouched) {
  FileHasher hasher(verolt::hash::best_engine());
  HashValue value{};
  value.bytes.fill(0x5A);
  const HashValue before = value;
  EXPECT_FALSE(hasher.hash_file((dir_ / "missing").string(), value, Function::gost94(2)));
  EXPECT_FALSE(hasher.hash_file(dir_.string(), value, Function::gost94(2)));
  EXPECT_EQ(value, before);
}

#ifdef __linux__
// This file opens as a regular file but its first read fails: the file must count as failed
// and take nothing into the running hash.
TEST_F(FileHashTest, ReadErrorIsAFailureAndLeavesNoTrace) {
  const std::string failing = "/proc/self/mem";
  HashContext context(verolt::hash::best_engine(), Function::gost94(2));
  context.update("ab", 2);
  FileHasher hasher(verolt::hash::best_engine());
  EXPECT_FALSE(hasher.hash_add_file(context, failing));
  context.update("c", 1);
  HashValue value{};
  context.finish(value);
  EXPECT_EQ(value, hash_bytes(2, "abc", 3));

  HashValue untouched{};
  EXPECT_FALSE(hasher.hash_file(failing, untouched, Function::gost94(2)));
  EXPECT_EQ(untouched, HashValue{});
}
#endif

}  // namespace

std::vector<std::pair<verolt::hash::Engine, Function>> engine_function_pairs() {
  std::vector<std::pair<verolt::hash::Engine, Function>> pairs;
  for (const verolt::hash::Engine engine : verolt::hash::kEngines) {
    pairs.emplace_back(engine, Function::gost94(2));
    pairs.emplace_back(engine, Function::gost2012(512));
  }
  pairs.emplace_back(verolt::hash::best_engine(), Function::gost2012(256));
  return pairs;
}

TEST_F(FileHashTest, LanesGiveEachFileItsOwnHashWhateverEndsBesideIt) {
  using verolt::filehash::LaneFileHasher;
  // Sizes around blocks, reads and lane refills, 0 bytes next to several reads; a missing file and
  // one refused after opening sit among them.
  const std::vector<std::size_t> sizes = {0,      1,      31,     32,     33, 4095, 4096, 4097,
                                          131071, 131072, 131073, 300000, 64, 5,    63,   65};
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    paths.push_back(write_file("f" + std::to_string(i),
                               random_bytes(sizes[i], static_cast<std::uint32_t>(7 + i))));
  }
  const std::size_t missing = 3;
  const std::size_t refused = 9;
  paths[missing] = (dir_ / "missing").string();
  for (const auto& [engine, function] : engine_function_pairs()) {
    for (std::size_t lanes : {std::size_t{1}, std::size_t{3}, std::size_t{0}}) {
      SCOPED_TRACE(std::to_string(lanes) + " " + verolt::hash::engine_name(engine) + " " +
                   std::to_string(function.variant));
      LaneFileHasher hasher(engine, function, lanes);
      std::size_t next = 0;
      std::vector<int> hashed(paths.size(), -1);
      std::vector<HashValue> values(paths.size());
      std::vector<std::uint64_t> bytes(paths.size());
      std::vector<std::size_t> inLane(hasher.lanes());
      std::vector<LaneFileHasher::Event> events;
      do {
        for (std::size_t lane = 0; lane < hasher.lanes() && next < paths.size(); ++lane) {
          while (!hasher.busy(lane) && next < paths.size()) {
            const std::size_t i = next++;
            if (!hasher.open(lane, paths[i])) {
              hashed[i] = 0;
            } else if (i == refused) {
              hasher.cancel(lane);
              hashed[i] = 0;
            } else {
              inLane[lane] = i;
              hasher.start(lane);
            }
          }
        }
        events.clear();
        hasher.step(events);
        for (const auto& event : events) {
          const std::size_t i = inLane[event.lane];
          bytes[i] += event.bytes;
          if (!event.ended) continue;
          hashed[i] = event.hashed ? 1 : 0;
          values[i] = event.value;
        }
      } while (hasher.busy_count() > 0 || next < paths.size());
      FileHasher one(verolt::hash::Engine::portable);
      for (std::size_t i = 0; i < paths.size(); ++i) {
        HashValue expected{};
        const bool ok = one.hash_file(paths[i], expected, function) && i != refused;
        EXPECT_EQ(hashed[i], ok ? 1 : 0) << i;
        if (!ok) continue;
        EXPECT_EQ(values[i], expected) << i;
        EXPECT_EQ(bytes[i], sizes[i]) << i;
      }
    }
  }
}
