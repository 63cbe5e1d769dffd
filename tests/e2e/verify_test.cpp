// Verification of hash lists (/t:) and stream hash lists (/f:): lists the program wrote verify in
// silence; every failure is a box on standard error (with a line in the report file), and the
// answers read from standard input decide how far the list is read.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class Verify : public E2ETest {
 protected:
  void SetUp() override {
    write("a.txt", "abc");
    write("b.txt", "");
    write("sub/c.txt", kMessage50);
    write("names.lst", "a.txt\r\nb.txt\r\n" + c() + "\r\n");
  }
  static std::string c() { return p({"sub", "c.txt"}); }
  // Runs the program to write a list; fails the test when that does not succeed.
  void make(const std::vector<std::string>& args) const {
    std::filesystem::remove(path(args.back()));
    const RunResult r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r;
  }
  // A failing verification: its exit code, boxes and report file.
  void expect_failure(const RunResult& r, int code, const std::string& boxes,
                      const std::string& report) const {
    EXPECT_EQ(r.exitCode, code) << r;
    EXPECT_EQ(r.err, boxes);
    EXPECT_EQ(r.out, con(kListSummary) + nl() + created("rep.txt"));
    EXPECT_EQ(read("rep.txt"), report + ansi_line(kListSummary));
    std::filesystem::remove(path("rep.txt"));
  }
};

TEST_F(Verify, ListsTheProgramWroteVerifySilently) {
  for (const std::string set : {"/h0", "/h1", "/h2"}) {
    for (const std::vector<std::string>& format :
         std::vector<std::vector<std::string>>{{}, {"/p1"}}) {
      const std::vector<std::string> options = with(format, {set});
      SCOPED_TRACE(::testing::PrintToString(options));
      make(with(options, {"/r", "*.txt", "mask.out"}));
      make(with(options, {"/l:names.lst", "list.out"}));
      make(with(options, {"/m", "/r", "*.txt", "mstream.out"}));
      make(with(options, {"/m", "/l:names.lst", "lstream.out"}));
      for (const std::string check :
           {"/t:mask.out", "/t:list.out", "/f:mstream.out", "/f:lstream.out", "/F:lstream.out"}) {
        SCOPED_TRACE(check);
        RunResult r = run(with(options, {check}));
        EXPECT_EQ(r.exitCode, 0) << r;
        EXPECT_EQ(r.out + r.err, "");
        // A report file stays empty.
        r = run(with(options, {check, "rep.txt"}));
        EXPECT_EQ(r.exitCode, 0) << r;
        EXPECT_EQ(r.out + r.err, created("rep.txt"));
        EXPECT_EQ(read("rep.txt"), "");
        std::filesystem::remove(path("rep.txt"));
      }
    }
  }
}

TEST_F(Verify, HexDigitsOfEitherCase) {
  write("hash.lst", "a.txt\t" + lower(kAbcSet2) + "\r\nb.txt\t" + std::string(kEmptySet2) + "\r\n");
  RunResult r = run({"/t"});
  EXPECT_EQ(r.exitCode, 0) << r;
  write("stream.lst", "a.txt\r\n" + ansi("Полный хэш = ") + lower(kAbcSet2));
  r = run({"/f:stream.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  write("p1.lst", "a.txt\t" + lower(kAbcSet0P1) + "\r\n");
  r = run({"/t:p1.lst", "/p1", "/h0"});
  EXPECT_EQ(r.exitCode, 0) << r;
}

TEST_F(Verify, ChangedOrReorderedOrCheckedWithOtherOptions) {
  make({"/l:names.lst", "list.out"});
  make({"/m", "/l:names.lst", "stream.out"});
  // Another parameter set: every file a wrong hash; one wrong stream.
  expect_failure(run_input({"/h1", "/t:list.out", "rep.txt"}, "y\ny\ny\n"), 1,
                 wrong_hash_box("a.txt") + wrong_hash_box("b.txt") + wrong_hash_box(c()),
                 wrong_hash_line("a.txt") + wrong_hash_line("b.txt") + wrong_hash_line(c()));
  expect_failure(run({"/h0", "/f:stream.out", "rep.txt"}), 1, wrong_stream_box(), "");
  // Another print format: no value has the right form; the total line is a name.
  expect_failure(run_input({"/p1", "/t:list.out", "rep.txt"}, "y\ny\ny\n"), 3,
                 missing_hash_box("a.txt") + missing_hash_box("b.txt") + missing_hash_box(c()),
                 missing_hash_line("a.txt") + missing_hash_line("b.txt") + missing_hash_line(c()));
  const std::string stream = read("stream.out");
  const std::string total = stream.substr(stream.find(ansi("Полный")));
  const std::string totalName = total.substr(0, total.size() - kCrLf.size());
  expect_failure(run_input({"/p1", "/f:stream.out", "rep.txt"}, "Yes\n"), 3,
                 cannot_open_box(totalName) + format_box(), cannot_open_line(totalName));
  // The lines in another order give another stream.
  write("reordered.lst", "b.txt\r\n" + c() + "\r\na.txt\r\n" + total);
  expect_failure(run({"/f:reordered.lst", "rep.txt"}), 1, wrong_stream_box(), "");
  // One byte changed.
  write("sub/c.txt", "X" + std::string(kMessage50.substr(1)));
  expect_failure(run_input({"/t:list.out", "rep.txt"}, "y\n"), 1, wrong_hash_box(c()),
                 wrong_hash_line(c()));
  expect_failure(run({"/f:stream.out", "rep.txt"}), 1, wrong_stream_box(), "");
}

TEST_F(Verify, AnswersDecideHowFarTheListIsRead) {
  // A wrong hash, a file that cannot be opened, a name without a value, a good line.
  write("mixed.lst", "a.txt\t" + std::string(kAbcSet1) + "\r\nmissing.txt\t" +
                         std::string(kEmptySet2) + "\r\nb.txt\r\na.txt\t" + std::string(kAbcSet2) +
                         "\r\n");
  const std::vector<std::string> args = {"/t:mixed.lst", "rep.txt"};
  // The code of the last failure becomes the exit code.
  expect_failure(
      run_input(args, "y\nyes\nY\n"), 3,
      wrong_hash_box("a.txt") + cannot_open_box("missing.txt") + missing_hash_box("b.txt"),
      wrong_hash_line("a.txt") + cannot_open_line("missing.txt") + missing_hash_line("b.txt"));
  // Anything but Y is No, an empty line too.
  expect_failure(run_input(args, "y\n\ny\n"), 2,
                 wrong_hash_box("a.txt") + cannot_open_box("missing.txt"),
                 wrong_hash_line("a.txt") + cannot_open_line("missing.txt"));
  // No, or no answer at all, on the first box: nothing after it is read.
  for (StdinMode mode : {StdinMode::Bytes, StdinMode::DevNull, StdinMode::Closed}) {
    RunOptions options;
    options.stdinMode = mode;
    options.input = "n\ny\ny\ny\n";
    options.timeout = std::chrono::seconds(20);
    expect_failure(run(args, options), 1, wrong_hash_box("a.txt"), wrong_hash_line("a.txt"));
    write("gone.lst", "missing.txt\r\na.txt\r\n" + total_line(kAbcSet1));
    expect_failure(run({"/f:gone.lst", "rep.txt"}, options), 2, cannot_open_box("missing.txt"),
                   cannot_open_line("missing.txt"));
  }
}

TEST_F(Verify, OnePipeForBothStreamsKeepsQuestionsBoxesAndLinesInOrder) {
  // The question and the closing lines go to standard output, the boxes to standard error; on
  // one pipe they must read as they were written, whatever the number of threads.
  write("rep.txt", "old");
  write("check.lst", "a.txt\t" + std::string(kAbcSet2) + "\r\nb.txt\t" + std::string(kAbcSet2) +
                         "\r\nmissing.txt\t" + std::string(kAbcSet2) + "\r\n");
  for (const char* threads : {"1", "2", "3"}) {
    SCOPED_TRACE(threads);
    RunOptions options;
    options.input = "y\nY\nY\n";
    options.stderrOnStdout = true;
    options.env = {{"VEROLT_THREADS", threads}};
    const RunResult r = run({"/t:check.lst", "rep.txt"}, options);
    EXPECT_EQ(r.exitCode, 2) << r;
    EXPECT_EQ(r.out, overwrite_prompt("rep.txt") + wrong_hash_box("b.txt") +
                         cannot_open_box("missing.txt") + con(kListSummary) + nl() +
                         created("rep.txt"));
    EXPECT_EQ(read("rep.txt"),
              wrong_hash_line("b.txt") + cannot_open_line("missing.txt") + ansi_line(kListSummary));
  }
}

TEST_F(Verify, SummaryLineOfAFailedListIsAFileThatCannotBeOpened) {
  write("names2.lst", "a.txt\r\nmissing.txt\r\n");
  const RunResult made = run({"/l:names2.lst", "list.out"});
  ASSERT_EQ(made.exitCode, 2) << made;
  const std::string summary = ansi(kListSummary);
  expect_failure(run_input({"/t:list.out", "rep.txt"}, "y\ny\n"), 2,
                 cannot_open_box("missing.txt") + cannot_open_box(summary),
                 cannot_open_line("missing.txt") + cannot_open_line(summary));
}

TEST_F(Verify, StreamListEdges) {
  // An empty list has no total line.
  write("empty.lst", "");
  expect_failure(run({"/f:empty.lst", "rep.txt"}), 3, format_box(), "");
  // A total line first: no file, the empty-data hash of the run's set.
  write("set2.lst", total_line(kEmptySet2));
  write("set0.lst", total_line(kEmptySet0) + "missing.txt\r\n");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"/f:set2.lst"}, {"/h0", "/f:set0.lst"}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out + r.err, "");
  }
  // Lines after the total line are never read.
  write("after.lst", "a.txt\r\nb.txt\r\n" + total_line(kAbcSet2) + "missing.txt\r\n\r\nx\r\n");
  RunResult r = run({"/f:after.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out + r.err, "");
  // A file that cannot be opened, answered Yes, adds nothing to the stream: the rest verifies
  // (code 2 stays), or the stream it was part of does not (code 1).
  write("gone.lst", "missing.txt\r\na.txt\r\n" + total_line(kAbcSet2));
  expect_failure(run_input({"/f:gone.lst", "rep.txt"}, "y\n"), 2, cannot_open_box("missing.txt"),
                 cannot_open_line("missing.txt"));
  write("missing.txt", "x");
  make({"/m", "/l:gone.lst", "whole.out"});
  std::filesystem::remove(path("missing.txt"));
  expect_failure(run_input({"/f:whole.out", "rep.txt"}, "y\n"), 1,
                 cannot_open_box("missing.txt") + wrong_stream_box(),
                 cannot_open_line("missing.txt"));
}

TEST_F(Verify, LongNamesVerify) {
  const std::string name = std::string(246, 'n') + ".txt";
  write(name, "abc");
  write("long.lst", name + "\r\nb.txt\r\n");
  make({"/l:long.lst", "list.out"});
  make({"/m", "/l:long.lst", "stream.out"});
  make({"/p1", "*.txt", "mask.out"});
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"/t:list.out"}, {"/f:stream.out"}, {"/p1", "/t:mask.out"}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out + r.err, "");
  }
}

}  // namespace
}  // namespace verolt::e2e
