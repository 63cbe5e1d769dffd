// Data files are read to their real end, whatever size they had when opened, and nothing that
// could make a read wait for ever opens at all.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "filehash/file_hasher.h"
#include "platform/files.h"
#include "platform/written_files.h"

namespace verolt::platform {
namespace {

namespace fs = std::filesystem;

class InputFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("verolt-input-file-" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& bytes, bool append = false) const {
    std::ofstream(path(name), append ? std::ios::binary | std::ios::app : std::ios::binary)
        << bytes;
  }
  static std::string bytes(std::size_t size, char seed) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(seed + i * 7 + i / 251);
    return text;
  }
  // One read of the program's piece size; empty at the end.
  static std::string piece(InputFile& file) {
    std::vector<unsigned char> buffer(filehash::kReadSize);
    const std::ptrdiff_t got = file.read(buffer.data(), buffer.size());
    EXPECT_GE(got, 0);
    return got <= 0 ? std::string() : std::string(buffer.begin(), buffer.begin() + got);
  }
  static std::string rest(InputFile& file) {
    std::string all;
    for (std::string got = piece(file); !got.empty(); got = piece(file)) all += got;
    return all;
  }

  fs::path dir_;
};

// The systems read a name only up to a NUL, so a name that holds one must not reach the file
// before it, whichever call is handed it (a line of a UTF-16 list is such a name).
TEST_F(InputFileTest, NoCallTakesANameCutByANul) {
  write("f", "data");
  InputFile file;
  bool once = false;
  const std::vector<std::pair<const char*, std::function<bool(const std::string&)>>> calls = {
      {"open", [&](const std::string& name) { return file.open(name); }},
      {"open_trusted", [&](const std::string& name) { return file.open_trusted(name); }},
      {"open_list", [&](const std::string& name) { return file.open_list(name, once); }},
      {"opens_for_reading", opens_for_reading},
      {"listed_file_size",
       [](const std::string& name) { return listed_file_size(name).has_value(); }},
      {"same_existing_file",
       [&](const std::string& name) { return same_existing_file(name, path("f")); }},
      {"written file", [](const std::string& name) {
         WrittenFile written;
         return written.prepare(name) && written.create();
       }}};
  for (const auto& [what, call] : calls) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(call(path("f")));
    EXPECT_FALSE(call(path("f") + std::string(1, '\0') + "x"));
    file.close();
  }
#ifndef _WIN32
  EXPECT_TRUE(is_stream_device("/dev/null"));
  EXPECT_FALSE(is_stream_device(std::string("/dev/null\0x", 11)));
#endif
}

TEST_F(InputFileTest, EverySizeIsReadWholeAndThenStaysAtItsEnd) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{299},
                           filehash::kReadSize - 1, filehash::kReadSize, filehash::kReadSize + 1,
                           2 * filehash::kReadSize, std::size_t{300000}}) {
    SCOPED_TRACE(size);
    const std::string content = bytes(size, 'a');
    write("f", content);
    InputFile file;
    ASSERT_TRUE(file.open(path("f")));
    EXPECT_EQ(rest(file), content);
    EXPECT_EQ(piece(file), "");
  }
}

TEST_F(InputFileTest, SizeAtOpeningIsNoLimit) {
  // The change lands between the opening and the first read, or after a first full read.
  struct Case {
    std::size_t size;
    bool readFirst;
    std::function<void()> change;
    std::size_t expected;
  };
  const std::vector<Case> cases = {
      {100, false, [this] { write("f", bytes(50, 'x'), true); }, 150},
      {filehash::kReadSize, true, [this] { write("f", bytes(10, 'y'), true); },
       filehash::kReadSize + 10},
      {1000, false, [this] { fs::resize_file(path("f"), 500); }, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    write("f", bytes(c.size, 'a'));
    InputFile file;
    ASSERT_TRUE(file.open(path("f")));
    std::string got = c.readFirst ? piece(file) : std::string();
    c.change();
    got += rest(file);
    EXPECT_EQ(got.size(), c.expected);
  }
}

#ifndef _WIN32
TEST_F(InputFileTest, FilesThatReportNoSizeAreReadToTheirEnd) {
  // Files of /proc report a size of 0 and arrive in short reads.
  std::ifstream reference("/proc/self/cmdline", std::ios::binary);
  const std::string expected((std::istreambuf_iterator<char>(reference)),
                             std::istreambuf_iterator<char>());
  ASSERT_FALSE(expected.empty());
  InputFile file;
  ASSERT_TRUE(file.open("/proc/self/cmdline"));
  EXPECT_EQ(rest(file), expected);
}

TEST_F(InputFileTest, WhatWouldWaitForEverDoesNotOpen) {
  // A name may turn into any of these between the walk and the opening.
  ASSERT_EQ(::mkfifo(path("lonely.fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(path("silent.fifo").c_str(), 0600), 0);
  fs::create_directories(path("dir"));
  // A writer that never writes: a blocking read would wait for it for ever.
  const int writer = ::open(path("silent.fifo").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  for (const std::string& name : {path("lonely.fifo"), path("silent.fifo"), path("dir"),
                                  std::string("/dev/zero"), std::string("/dev/null")}) {
    SCOPED_TRACE(name);
    auto opened = std::async(std::launch::async, [name] {
      InputFile file;
      return file.open(name);
    });
    if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      // Let the stuck opening go before failing.
      const int unblock = ::open(name.c_str(), O_RDWR | O_CLOEXEC);
      opened.wait();
      if (unblock >= 0) ::close(unblock);
      ADD_FAILURE() << "opening waited";
      continue;
    }
    EXPECT_FALSE(opened.get());
  }
  ::close(writer);
}

// A signal that stops the run must reach the thread whose handler removes the outputs' files,
// never a worker, and the starting thread keeps its own mask.
TEST(StopSignals, ThreadsStartedForTheRunTakeNone) {
  std::vector<int> blockedInWorker;
  std::thread worker;
  start_without_stop_signals([&] {
    worker = std::thread([&] {
      sigset_t mask;
      ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, nullptr, &mask), 0);
      for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) {
        if (sigismember(&mask, signal) == 1) blockedInWorker.push_back(signal);
      }
    });
  });
  worker.join();
  EXPECT_EQ(blockedInWorker.size(), 6u);
  sigset_t mine;
  ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, nullptr, &mine), 0);
  EXPECT_EQ(sigismember(&mine, SIGTERM), 0);
}
#endif

}  // namespace
}  // namespace verolt::platform
