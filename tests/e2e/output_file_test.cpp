// The output file: the overwrite question, creation failures and write failures.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

constexpr std::string_view kOld = "old contents\r\n";

class OutputFile : public E2ETest {
 protected:
  void SetUp() override {
    write("abc.txt", "abc");
    write("out.lst", kOld);
  }
};

struct Answer {
  const char* input;
  bool accepted;
};

void PrintTo(const Answer& answer, std::ostream* os) { *os << '"' << escape(answer.input) << '"'; }

class OverwriteQuestion : public OutputFile, public ::testing::WithParamInterface<Answer> {};

TEST_P(OverwriteQuestion, FirstCharacterOfTheLineDecides) {
  const Answer& answer = GetParam();
  const RunResult r = run_input({"abc.txt", "out.lst"}, answer.input);
  if (answer.accepted) {
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, overwrite_prompt("out.lst") + created("out.lst"));
    EXPECT_EQ(read("out.lst"), list_line("abc.txt", kAbcSet2));
  } else {
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, overwrite_prompt("out.lst"));
    EXPECT_EQ(read("out.lst"), kOld);
  }
  EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(Answers, OverwriteQuestion,
                         ::testing::Values(Answer{"y\n", true}, Answer{"Y\n", true},
                                           Answer{"yes please\n", true}, Answer{"y", true},
                                           Answer{"Yn\n", true}, Answer{"n\n", false},
                                           Answer{"N\n", false}, Answer{"no\n", false},
                                           Answer{"", false}, Answer{"\n", false},
                                           Answer{" y\n", false}, Answer{"\xD0\x94\n", false}),
                         [](const ::testing::TestParamInfo<Answer>& caseInfo) {
                           return "Case" + std::to_string(caseInfo.index);
                         });

TEST_F(OutputFile, NoInputAtAllDeclines) {
  RunOptions options;
  options.stdinMode = StdinMode::DevNull;
  const RunResult r = run({"abc.txt", "out.lst"}, options);
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, overwrite_prompt("out.lst"));
  EXPECT_EQ(read("out.lst"), kOld);
}

TEST_F(OutputFile, PromptShowsTheNameAsTyped) {
  const RunResult r = run_input({"abc.txt", "./out.lst"}, "n\n");
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, overwrite_prompt("./out.lst"));
}

TEST_F(OutputFile, QuestionComesBeforeTheFilesAreLookedAt) {
  // Declining ends the run before the mask is searched: no "not found" message.
  const RunResult r = run_input({"*.none", "out.lst"}, "n\n");
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, overwrite_prompt("out.lst"));
  EXPECT_EQ(read("out.lst"), kOld);
}

TEST_F(OutputFile, ListRunAsksToo) {
  write("names.txt", "abc.txt\r\n");
  const RunResult r = run_input({"/l:names.txt", "out.lst"}, "y\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, overwrite_prompt("out.lst") + created("out.lst"));
  EXPECT_EQ(read("out.lst"), list_line("abc.txt", kAbcSet2));
}

TEST_F(OutputFile, MissingDirectoryCannotBeCreated) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"abc.txt", p({"nodir", "out.lst"})}, {"/l:names.txt", p({"nodir", "out.lst"})}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 3) << r;
    EXPECT_EQ(r.out, cannot_create(p({"nodir", "out.lst"})));
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(exists("nodir"));
  }
}

TEST_F(OutputFile, FailedWriteIsReported) {
  VEROLT_POSIX_ONLY();
  // /dev/full opens without a question, as a device, but takes no byte.
  const RunResult r = run_input({"abc.txt", "/dev/full"}, "y\n");
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.out, cannot_create("/dev/full"));
  EXPECT_EQ(r.err, "");
}

TEST_F(OutputFile, FailedWriteOfAListRunIsReported) {
  VEROLT_POSIX_ONLY();
  // Many lines: the failure comes while writing, not only when closing.
  std::string names;
  for (int i = 0; i < 300; ++i) names += "abc.txt\n";
  write("names.txt", names);
  const RunResult r = run_input({"/l:names.txt", "/dev/full"}, "y\n");
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.out, cannot_create("/dev/full"));
}

TEST_F(OutputFile, OwnOutputIsReadAtItsTurnWhateverTheThreadCount) {
  // Named otherwise than a source names it, the output file is hashed like any other file, with
  // what was written before its turn: workers that run ahead of the writer must leave it alone.
  for (int i = 1; i <= 100; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "a%03d", i);
    write(name, std::to_string(i));
  }
  write("names.txt", "a001\na050\nout.lst\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"*", "./out.lst"}, {"/l:names.txt", "out.lst"}}) {
    std::string oneThread;
    for (const char* threads : {"1", "8"}) {
      std::filesystem::remove(path("out.lst"));
      RunOptions options;
      options.env = {{"VEROLT_THREADS", threads}};
      const RunResult r = run(args, options);
      EXPECT_EQ(r.exitCode, 0) << r;
      if (oneThread.empty()) {
        oneThread = read("out.lst");
      } else {
        EXPECT_EQ(read("out.lst"), oneThread) << args[0];
      }
    }
  }
}

TEST_F(OutputFile, FifoThatNobodyReadsIsRefusedNotWaitedFor) {
  VEROLT_POSIX_ONLY();
  make_fifo("outfifo");
  make_fifo("abc.txt.hsh");
  RunOptions quick;
  quick.timeout = std::chrono::seconds(10);
  quick.input = "y\n";
  RunResult r = run({"abc.txt", "outfifo"}, quick);
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.out, cannot_create("outfifo"));
  quick.input.clear();
  r = run({"/calc", "abc.txt"}, quick);
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_NE(r.err.find(con(kCannotWriteOne) + "abc.txt.hsh"), std::string::npos) << r;
}

// A list cut short by a full disk behind standard output must not pass for a whole one: a small
// run fails at the last flush, a long one half way.
TEST_F(OutputFile, StandardOutputThatCannotBeWrittenEndsWithCodeThree) {
  VEROLT_POSIX_ONLY();
  for (int i = 0; i < 300; ++i) write("many" + std::to_string(i) + ".txt", "x");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"abc.txt"}, std::vector<std::string>{"*.txt"},
        std::vector<std::string>{"/t:nothing.lst"}}) {
    RunOptions options;
    options.stdoutFile = "/dev/full";
    const RunResult r = run(args, options);
    EXPECT_EQ(r.exitCode, 3) << r;
    EXPECT_EQ(r.err, con("Ошибка записи в стандартный вывод") + ": No space left on device" + nl());
  }
}

// Only a regular file holds contents worth a question; a device or a pipe is written at once.
TEST_F(OutputFile, DeviceOrPipeAsOutputFileIsNotQuestioned) {
  const std::string device = target().windows ? "NUL" : "/dev/null";
  RunResult r = run_input({"abc.txt", device}, "n\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created(device));
  if (target().windows) return;
  // Standard output is the runner's pipe.
  r = run_input({"abc.txt", "/dev/stdout"}, "n\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, list_line("abc.txt", kAbcSet2) + created("/dev/stdout"));
}

}  // namespace
}  // namespace verolt::e2e
