// What reaches the console: progress and walk dots only on a terminal's standard error, never on
// standard output; file names shown as they are; the program's texts in the locale's encoding.
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class Console : public E2ETest {
 protected:
  // Names that sort as they are numbered.
  static std::string file_name(int i) {
    std::string digits = std::to_string(i);
    return "f" + std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
  }
  // `count` empty files in directory `dir`: no progress for them, only the walk's dots.
  void empty_files(const std::string& dirName, int count) const {
    for (int i = 0; i < count; ++i) {
      write(p({dirName, file_name(i)}), "");
    }
  }
  static std::string empty_pairs(const std::string& dirName, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
      out += con_pair(p({dirName, file_name(i)}), kEmptySet2);
    }
    return out;
  }
};

// The progress of one 300000-byte file read in pieces of 131072 bytes, then erased.
const std::string kBigProgress = "43.69%" + std::string(6, '\b') + "87.38%" + std::string(6, '\b') +
                                 "100.00%" + repeat("\b \b", 7);

TEST_F(Console, NothingButResultsWhenStandardErrorIsNoTerminal) {
  write("big.bin", big_content());
  empty_files("many", 250);
  RunResult r = run({"big.bin"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("big.bin", kBigSet2));
  EXPECT_EQ(r.err, "");
  r = run({"many" + sep()});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, empty_pairs("many", 250));
  EXPECT_EQ(r.err, "");
  r = run({"/r", "*.*", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.lst"));
  EXPECT_EQ(r.err, "");
}

TEST_F(Console, ProgressOfOneFileOnTerminal) {
  VEROLT_POSIX_ONLY();
  write("big.bin", big_content());
  RunResult r = run_terminal({"big.bin"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(escape(r.err), escape(kBigProgress));
  EXPECT_EQ(r.out, con_pair("big.bin", kBigSet2));
  // With an output file the console has only the closing line; the progress is the same.
  r = run_terminal({"big.bin", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(escape(r.err), escape(kBigProgress));
  EXPECT_EQ(r.out, created("out.lst"));
  EXPECT_EQ(read("out.lst"), list_line("big.bin", kBigSet2));
}

TEST_F(Console, ProgressRunsOverAllFilesOfAList) {
  VEROLT_POSIX_ONLY();
  // The list source sums the sizes first: the percentage counts over both files, and each file
  // erases its own text.
  write("big.bin", big_content());
  write("names.txt", "big.bin\r\nmissing\r\nbig.bin\r\n");
  const RunResult r = run_terminal({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 2) << r;
  const std::string b6(6, '\b');
  EXPECT_EQ(escape(r.err), escape("21.85%" + b6 + "43.69%" + b6 + "50.00%" + repeat("\b \b", 6) +
                                  "71.85%" + b6 + "93.69%" + b6 + "100.00%" + repeat("\b \b", 7)));
  EXPECT_EQ(r.out, con_pair("big.bin", kBigSet2) + con_name("missing") + nl() +
                       cannot_open_file("missing") + con_pair("big.bin", kBigSet2) +
                       con(kListSummary) + nl());
}

TEST_F(Console, OneTerminalForBothStreamsShowsEachNameBeforeItsProgress) {
  VEROLT_POSIX_ONLY();
  write("a.bin", big_content());
  write("b.bin", big_content());
  const std::string b6(6, '\b');
  const std::string expected = con_name("a.bin") + nl() + "21.85%" + b6 + "43.69%" + b6 + "50.00%" +
                               repeat("\b \b", 6) + std::string(kBigSet2) + nl() +
                               con_name("b.bin") + nl() + "71.85%" + b6 + "93.69%" + b6 +
                               "100.00%" + repeat("\b \b", 7) + std::string(kBigSet2) + nl();
  for (const char* threads : {"1", "2"}) {
    SCOPED_TRACE(threads);
    RunOptions options;
    options.stderrTerminal = true;
    options.stderrOnStdout = true;
    options.env = {{"VEROLT_THREADS", threads}};
    const RunResult r = run({"*.bin"}, options);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(escape(r.out), escape(expected));
  }
}

TEST_F(Console, OnePipeForBothStreamsCarriesWhatOneThreadPrints) {
  // On a pipe standard output is not flushed name by name: the lines must still all arrive, in
  // order, whatever the number of threads.
  write("a.txt", "abc");
  empty_files("many", 300);
  std::string expected = con_pair("a.txt", kAbcSet2) + empty_pairs("many", 300);
  int code = 0;
  if (!target().windows) {
    make_fifo(p({"many", "z.fifo"}));
    expected += con_name(p({"many", "z.fifo"})) + nl() + cannot_open_file(p({"many", "z.fifo"})) +
                con(kMaskSummary) + nl();
    code = 2;
  }
  for (const char* threads : {"1", "2", "4"}) {
    SCOPED_TRACE(threads);
    RunOptions options;
    options.stderrOnStdout = true;
    options.env = {{"VEROLT_THREADS", threads}};
    const RunResult r = run({"/r", "*"}, options);
    EXPECT_EQ(r.exitCode, code) << r;
    EXPECT_EQ(r.out, expected);
  }
}

TEST_F(Console, EmptyFilesShowNoProgress) {
  VEROLT_POSIX_ONLY();
  write("e.bin", "");
  const RunResult r = run_terminal({"e.bin"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(escape(r.err), "");
  EXPECT_EQ(r.out, con_pair("e.bin", kEmptySet2));
}

TEST_F(Console, WalkDotsOnTerminal) {
  VEROLT_POSIX_ONLY();
  struct Case {
    int files;
    std::string err;
  };
  // A dot for every hundredth file found, a line end when more than 100 were found.
  // 1205 files outgrow the first thousand slots of the entry table.
  for (const Case& c : std::vector<Case>{{250, "..\n"},
                                         {100, "."},
                                         {101, ".\n"},
                                         {99, ""},
                                         {1205, std::string(12, '.') + "\n"}}) {
    SCOPED_TRACE(c.files);
    const std::string dirName = "d" + std::to_string(c.files);
    empty_files(dirName, c.files);
    const RunResult r = run_terminal({dirName + sep()});
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(escape(r.err), escape(c.err));
    EXPECT_EQ(r.out, empty_pairs(dirName, c.files));
  }
}

TEST_F(Console, WalkDotsCountPerDirectory) {
  VEROLT_POSIX_ONLY();
  // Three directories of 50 files: no level reaches 100 by a file of its own, yet 150 were found.
  for (const std::string sub : {"a", "b", "c"}) empty_files(p({"top", sub}), 50);
  const RunResult r = run_terminal({"/r", "top" + sep(), "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(escape(r.err), escape("\n"));
  EXPECT_EQ(r.out, created("out.lst"));
}

TEST_F(Console, CyrillicNamesKeepTheirBytes) {
  const std::string name = "файл Ёж.txt";
  write(name, "abc");
  RunResult r = run({"*.*", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out.lst"), list_line(name, kAbcSet2));
  r = run({"*.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair(name, kAbcSet2));
  write("names.txt", list_name(name) + "\r\n" + list_name("нет.txt") + "\r\n");
  r = run({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, con_pair(name, kAbcSet2) + con_name("нет.txt") + nl() +
                       cannot_open_file("нет.txt") + con(kListSummary) + nl());
}

TEST_F(Console, TypedNamesAreEchoedAsTyped) {
  write("a.txt", "abc");
  RunResult r = run({"a.txt", "отчёт.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("отчёт.lst"));
  EXPECT_EQ(read("отчёт.lst"), list_line("a.txt", kAbcSet2));
  r = run_input({"a.txt", "отчёт.lst"}, "n\n");
  EXPECT_EQ(r.out, overwrite_prompt("отчёт.lst"));
  r = run({"/l:список.txt"});
  EXPECT_EQ(r.out, cannot_open_list("список.txt"));
  r = run({"/ключ"});
  EXPECT_EQ(r.out, unknown_option("/ключ"));
}

TEST_F(Console, TextsFollowTheLocale) {
  VEROLT_POSIX_ONLY();
  // The C and POSIX locales count as UTF-8; so does a locale that does not exist here.
  using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;
  for (const Env& env : std::vector<Env>{{{"LANG", "C"}},
                                         {{"LANG", std::nullopt}},
                                         {{"LC_ALL", "POSIX"}},
                                         {{"LC_ALL", "C.UTF-8"}, {"LANG", "C"}},
                                         {{"LANG", "xx_YY.NOSUCH"}}}) {
    SCOPED_TRACE(::testing::PrintToString(env));
    RunOptions options;
    options.env = env;
    const RunResult r = run({"/пример"}, options);
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, unknown_option("/пример"));
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
}  // namespace verolt::e2e
