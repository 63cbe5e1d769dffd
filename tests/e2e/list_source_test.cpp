// Hash lists of the files a name list names: where the list and the output file come from on the
// command line, how lines are read, and names that cannot be hashed.
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class ListSource : public E2ETest {
 protected:
  void SetUp() override {
    write("a.txt", "abc");
    write("b.txt", "");
  }
  // The hash list of a.txt and b.txt.
  static std::string ab_list() {
    return list_line("a.txt", kAbcSet2) + list_line("b.txt", kEmptySet2);
  }
  static std::string ab_console() {
    return con_pair("a.txt", kAbcSet2) + con_pair("b.txt", kEmptySet2);
  }
};

TEST_F(ListSource, ToConsoleAndToOutputFileOnEitherSide) {
  write("names.txt", "a.txt\r\nb.txt\r\n");
  RunResult r = run({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, ab_console());
  EXPECT_EQ(r.err, "");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"/l:names.txt", "out.lst"}, {"out.lst", "/l:names.txt"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    std::filesystem::remove(path("out.lst"));
    r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, created("out.lst"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("out.lst"), ab_list());
  }
}

TEST_F(ListSource, OperandBeforeTheOptionBecomesTheOutputFile) {
  write("names.txt", "a.txt\r\nb.txt\r\n");
  // "first" is moved to the output file; "second" is dropped without a word.
  const RunResult r = run({"first", "second", "/l:names.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("first"));
  EXPECT_EQ(read("first"), ab_list());
  EXPECT_FALSE(exists("second"));
}

TEST_F(ListSource, LaterListOptionReplacesTheList) {
  write("one.txt", "b.txt\n");
  write("two.txt", "a.txt\n");
  const RunResult r = run({"/l:one.txt", "/L:two.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet2));
}

TEST_F(ListSource, BareOptionReadsHashLst) {
  write("hash.lst", "b.txt\r\na.txt\r\n");
  RunResult r = run({"/l"});
  EXPECT_EQ(r.exitCode, 0) << r;
  // The list's order, not a sorted one.
  EXPECT_EQ(r.out, con_pair("b.txt", kEmptySet2) + con_pair("a.txt", kAbcSet2));
  r = run({"out.lst", "/L"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out.lst"), list_line("b.txt", kEmptySet2) + list_line("a.txt", kAbcSet2));
}

TEST_F(ListSource, ListThatCannotBeOpened) {
  struct Case {
    std::vector<std::string> args;
    std::string listName;
  };
  for (const Case& c :
       std::vector<Case>{{{"/l:"}, ""},
                         {{"/l:missing.lst"}, "missing.lst"},
                         {{"/l"}, "hash.lst"},
                         {{"/l:" + p({"nodir", "x.lst"})}, p({"nodir", "x.lst"})}}) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 2) << r;
    EXPECT_EQ(r.out, cannot_open_list(c.listName));
    EXPECT_EQ(r.err, "");
    // The output file was created before the list was opened: it stays, empty, unannounced.
    std::vector<std::string> withOutput = c.args;
    withOutput.push_back("out.lst");
    std::filesystem::remove(path("out.lst"));
    r = run(withOutput);
    EXPECT_EQ(r.exitCode, 2) << r;
    EXPECT_EQ(r.out, cannot_open_list(c.listName));
    EXPECT_TRUE(exists("out.lst"));
    EXPECT_EQ(read("out.lst"), "");
  }
}

TEST_F(ListSource, HashListServesAsNameList) {
  // Only the text before the first tab is a name, whatever follows it.
  write("names.txt", "a.txt\t" + std::string(kAbcSet2) + "\r\nb.txt\tnot a value\r\n" + "a.txt\t" +
                         std::string(kAbcSet2P1) + "\r\nb.txt\t\r\n");
  RunResult r = run({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, ab_console() + ab_console());
  // A list the program wrote reads back as the same list.
  r = run({"/l:names.txt", "out1.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  r = run({"/l:out1.lst", "out2.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out2.lst"), ab_list() + ab_list());
  EXPECT_EQ(read("out1.lst"), read("out2.lst"));
}

TEST_F(ListSource, TotalLineIsJustAnotherName) {
  // A stream hash list given to /l: without /m: the total line is taken as a file name too, and
  // the names after it are still hashed.
  const std::string total = ansi(kTotalPrefix) + std::string(kAbcSet2);
  write("names.txt", "a.txt\r\n" + total + "\r\nb.txt\r\n");
  const RunResult r = run({"/l:names.txt", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  // A name read from a list is shown as names are.
  EXPECT_EQ(r.out, con(kCannotOpenListed) + con_raw_name(total) + nl() + con(kListSummary) + nl() +
                       created("out.lst"));
  EXPECT_EQ(read("out.lst"), list_line("a.txt", kAbcSet2) + total + "\t" + ansi_line(kOpenFailure) +
                                 list_line("b.txt", kEmptySet2) + ansi_line(kListSummary));
}

TEST_F(ListSource, EmptyLineIsAnEmptyName) {
  write("names.txt", "a.txt\r\n\r\nb.txt\r\n");
  RunResult r = run({"/l:names.txt", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_file("") + con(kListSummary) + nl() + created("out.lst"));
  EXPECT_EQ(read("out.lst"), list_line("a.txt", kAbcSet2) + "\t" + ansi_line(kOpenFailure) +
                                 list_line("b.txt", kEmptySet2) + ansi_line(kListSummary));
  r = run({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet2) + nl() + cannot_open_file("") +
                       con_pair("b.txt", kEmptySet2) + con(kListSummary) + nl());
}

TEST_F(ListSource, MissingFileAmongOthers) {
  write("names.txt", "a.txt\r\nmissing.txt\r\nb.txt\r\n");
  RunResult r = run({"/l:names.txt", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_file("missing.txt") + con(kListSummary) + nl() + created("out.lst"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read("out.lst"), list_line("a.txt", kAbcSet2) + list_name("missing.txt") + "\t" +
                                 ansi_line(kOpenFailure) + list_line("b.txt", kEmptySet2) +
                                 ansi_line(kListSummary));
  r = run({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet2) + con_name("missing.txt") + nl() +
                       cannot_open_file("missing.txt") + con_pair("b.txt", kEmptySet2) +
                       con(kListSummary) + nl());
}

TEST_F(ListSource, LineEnds) {
  for (const std::string list : {"a.txt\nb.txt\n", "a.txt\r\nb.txt\r\n", "a.txt\r\nb.txt",
                                 "a.txt\nb.txt", "a.txt\r\nb.txt\n"}) {
    SCOPED_TRACE(escape(list));
    write("names.txt", list);
    std::filesystem::remove(path("out.lst"));
    const RunResult r = run({"/l:names.txt", "out.lst"});
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(read("out.lst"), ab_list());
  }
}

TEST_F(ListSource, NamesAreTakenWhole) {
  // Blanks and a trailing dot belong to the name; a CR not before the LF too, and as no list
  // line can carry it, that name gets none.
  write(" spaced name .txt", "abc");
  write("names.txt", " spaced name .txt\r\na.txt\r\r\n");
  const RunResult r = run({"/l:names.txt", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(read("out.lst"), list_line(" spaced name .txt", kAbcSet2) + ansi_line(kListSummary));
}

TEST_F(ListSource, VeryLongNamesWork) {
  VEROLT_POSIX_ONLY();  // the Windows ANSI file functions take no name over 259 characters
  const std::string name = p({std::string(200, 'd'), std::string(150, 'f') + ".txt"});
  write(name, "abc");
  write("names.txt", name + "\r\n" + "b.txt\r\n");
  RunResult r = run({"/l:names.txt", "out1.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  const std::string expected = list_line(name, kAbcSet2) + list_line("b.txt", kEmptySet2);
  EXPECT_EQ(read("out1.lst"), expected);
  // Every list the program writes reads back whole.
  r = run({"/l:out1.lst", "out2.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out2.lst"), expected);
  r = run({"/l:out1.lst"});
  EXPECT_EQ(r.out, con_pair(name, kAbcSet2) + con_pair("b.txt", kEmptySet2));
  // The same name found by a walk.
  r = run({"/r", std::string(200, 'd') + sep(), "out3.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out3.lst"), list_line(name, kAbcSet2));
}

TEST_F(ListSource, EmptyListHashesNothing) {
  write("names.txt", "");
  RunResult r = run({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  r = run({"/l:names.txt", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.lst"));
  EXPECT_EQ(read("out.lst"), "");
}

TEST_F(ListSource, ThingsThatAreNoFilesCannotBeOpened) {
  // Opening or reading any of these would hang or never end.
  make_dir("adir");
  std::vector<std::string> bad = {"adir", "NUL", "CON"};
  std::string last = "a.txt";  // a file, last in the list
  if (!target().windows) {
    make_fifo("p.fifo");
    make_symlink("nowhere", "dangling");
    make_symlink("a.txt", "link.txt");
    bad = {"adir", "p.fifo", "/dev/zero", "/dev/null", "dangling", "/dev/tty"};
    last = "link.txt";
  }
  std::string names = "a.txt\n";
  std::string expectedList = list_line("a.txt", kAbcSet2);
  std::string expectedOut;
  for (const auto& name : bad) {
    names += name + "\n";
    expectedList += name + "\t" + ansi_line(kOpenFailure);
    expectedOut += cannot_open_file(name);
  }
  names += last + "\n";
  expectedList += list_line(last, kAbcSet2) + ansi_line(kListSummary);
  write("names.txt", names);
  const RunResult r = run({"/l:names.txt", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, expectedOut + con(kListSummary) + nl() + created("out.lst"));
  EXPECT_EQ(read("out.lst"), expectedList);
}

TEST_F(ListSource, SameFileTwice) {
  write("names.txt", "a.txt\na.txt\n");
  const RunResult r = run({"/l:names.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet2) + con_pair("a.txt", kAbcSet2));
}

TEST_F(ListSource, ListFromAPipeIsReadOnceAndWhole) {
  VEROLT_POSIX_ONLY();
  const std::string names = "a.txt\nmissing.txt\nb.txt\n";
  write("names.txt", names);
  RunResult r = run({"/l:names.txt", "file.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  r = run_input({"/l:/dev/stdin", "pipe.lst"}, names);
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out,
            cannot_open_file("missing.txt") + con(kListSummary) + nl() + created("pipe.lst"));
  EXPECT_EQ(read("pipe.lst"), read("file.lst"));
  // Standard input read as the list leaves nothing for the boxes: the first one is answered No.
  const std::string zeros(64, '0');
  r = run_input({"/t:/dev/stdin", "report.lst"},
                "a.txt\t" + zeros + "\r\nb.txt\t" + zeros + "\r\n");
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(read("report.lst"), wrong_hash_line("a.txt") + ansi_line(kListSummary));
}

TEST_F(ListSource, ListFromStandardInputLeavesNoAnswerForTheOverwriteQuestion) {
  VEROLT_POSIX_ONLY();
  // The question must neither take the list's first line for its answer nor swallow the list.
  write("Yes.txt", "abc");
  write("out.lst", "old");
  const RunResult r = run_input({"/l:/dev/stdin", "out.lst"}, "Yes.txt\na.txt\n");
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, overwrite_prompt("out.lst"));
  EXPECT_EQ(read("out.lst"), "old");
}

}  // namespace
}  // namespace verolt::e2e
