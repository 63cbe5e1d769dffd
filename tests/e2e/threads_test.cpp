// What hashing threads must never change: the files the run itself writes are read at their turn,
// a box never waits for a file after it, and running out of memory on a hashing thread ends the
// run as it ends it on the main one.
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

const std::vector<std::vector<std::pair<std::string, std::optional<std::string>>>> kSettings = {
    {{"VEROLT_THREADS", "1"}},
    {{"VEROLT_THREADS", "2"}},
    {{"VEROLT_THREADS", "3"}, {"VEROLT_ENGINE", "portable"}},
};

class Threads : public E2ETest {
 protected:
  // Names too long to be stored inside a string, so that each copy of one allocates.
  std::string many_files(const std::string& prefix, int count) const {
    std::string names;
    for (int i = 0; i < count; ++i) {
      const std::string name = prefix + std::to_string(1000 + i) + "-a-name-longer-than-fifteen";
      write(name, "abc");
      names += name + "\n";
    }
    return names;
  }
};

// Standard output is a file among those hashed: with any thread count it holds, at its turn,
// what one thread has written to it by then, and its line is the same.
TEST_F(Threads, FileBehindStandardOutputIsReadAtItsTurn) {
  VEROLT_POSIX_ONLY();  // the runner sends standard output to a file on POSIX only
  const std::string before = many_files("a", 150);
  const std::string after = many_files("z", 50);
  write("names.lst", before + "m.out\n" + after);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"*"}, std::vector<std::string>{"/l:names.lst"}}) {
    std::string first;
    for (const auto& env : kSettings) {
      RunOptions options;
      options.env = env;
      options.stdoutFile = path("m.out");
      const RunResult r = run(args, options);
      EXPECT_EQ(r.exitCode, 0) << r;
      const std::string out = read("m.out");
      const std::size_t line = out.find("m.out\n");
      ASSERT_NE(line, std::string::npos) << escape(out);
      const std::string own = out.substr(line, 6 + 65);
      if (first.empty()) first = own;
      EXPECT_EQ(own, first) << args[0] << " " << *env.front().second;
    }
  }
}

// A wrong value shows its box as soon as its file is hashed, though a file of 64 GiB follows: no
// thread count may hold the box back until later files are hashed, and No ends the run without
// reading them. The wrong file is large enough to be still in hand when its result is asked for.
TEST_F(Threads, BoxDoesNotWaitForTheFilesAfterIt) {
  for (const char* name : {"a1", "a2", "a3"}) write(name, "abc");
  write("b", std::string(std::size_t{8} << 20, 'x'));
  write("c", "");
  std::filesystem::resize_file(path("c"), std::uint64_t{64} << 30);
  std::string list;
  for (const char* name : {"a1", "a2", "a3"}) list += list_line(name, kAbcSet2);
  list += list_line("b", kEmptySet2) + list_line("c", kEmptySet2);
  write("check.lst", list);
  for (const auto& env : kSettings) {
    RunOptions options;
    options.env = env;
    options.timeout = std::chrono::seconds(30);
    const RunResult r = run({"/t:check.lst"}, options);
    EXPECT_EQ(r.exitCode, 1) << r;
    EXPECT_NE(r.err.find(con("Имя файла: ") + "b"), std::string::npos) << r;
  }
}

// Memory that runs out on a hashing thread ends the run with the main thread's message and code;
// files that opened are never reported as files that cannot be opened.
TEST_F(Threads, MemoryExhaustedOnAHashingThreadEndsTheRun) {
  if (target().windows || std::string(VEROLT_E2E_FAULT_LIBRARY).empty()) {
    GTEST_SKIP() << "fault injection needs the POSIX build and LD_PRELOAD";
  }
  write("names.lst", many_files("f", 40));
  // The first large allocation, one half way through the lanes' buffers, and a small one.
  for (const char* fault : {"131072:0", "131072:3", "1:5"}) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"*", "out.lst"}, std::vector<std::string>{"/l:names.lst"}}) {
      RunOptions options;
      options.input = "y\n";
      options.env = {{"LD_PRELOAD", std::string(VEROLT_E2E_FAULT_LIBRARY)},
                     {"ASAN_OPTIONS", std::string("verify_asan_link_order=0")},
                     {"VEROLT_FAULT_NEW", std::string(fault)},
                     {"VEROLT_THREADS", std::string("2")}};
      const RunResult r = run(args, options);
      SCOPED_TRACE(std::string(fault) + " " + args[0]);
      EXPECT_EQ(r.exitCode, 100) << r;
      const std::string tail = nl() + "bad memory" + nl();
      ASSERT_GE(r.out.size(), tail.size()) << r;
      EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail) << r;
      EXPECT_EQ(r.out.find(con("Не могу открыть")), std::string::npos) << r;
    }
  }
}

}  // namespace
}  // namespace verolt::e2e
