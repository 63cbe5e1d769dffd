// Hash lists of the files a path and mask select: selection, order, names, both output forms,
// parameter sets and print formats, and files that cannot be read.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

using MaskSource = AbcFiles;

TEST_F(MaskSource, OutputFileIsLeftOutOfItsOwnList) {
  write("a.txt", "abc");
  write("b.txt", "");
  const RunResult r = run({"*.*", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.lst"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read("out.lst"), list_line("a.txt", kAbcSet2) + list_line("b.txt", kEmptySet2));
}

TEST_F(MaskSource, WithoutOperandEveryFileIsTaken) {
  write("a.txt", "abc");
  write("b", "");
  const RunResult r = run({"/h2"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet2) + con_pair("b", kEmptySet2));
  EXPECT_EQ(r.err, "");
}

TEST_F(MaskSource, OutputFileNamedThroughAnotherPathIsHashed) {
  write("b.txt", "abc");
  // "./0.lst" is not the text of the entry "0.lst": the output file is hashed as it stood before
  // the run, an empty file when there was none, and never the new list being written.
  const std::string out = "." + sep() + "0.lst";
  RunResult r = run({"*.*", out});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created(out));
  EXPECT_EQ(read("0.lst"), list_line("0.lst", kEmptySet2) + list_line("b.txt", kAbcSet2));
  write("0.lst", "abc");
  r = run_input({"*.*", out}, "y\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("0.lst"), list_line("0.lst", kAbcSet2) + list_line("b.txt", kAbcSet2));
}

TEST_F(MaskSource, OutputFileInTheTargetDirectoryIsLeftOut) {
  files({p({"sub", "a.txt"})});
  const std::string out = p({"sub", "out.lst"});
  RunResult r = run({"sub" + sep(), out});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read(out), list_of({p({"sub", "a.txt"})}));
  // Named with another prefix it is no longer the same text, and it is hashed.
  r = run_input({"sub" + sep() + "*.txt", "." + sep() + out}, "y\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read(out), list_of({p({"sub", "a.txt"})}));  // *.txt does not select out.lst
  r = run_input({"sub" + sep(), "." + sep() + out}, "y\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  const std::string head = list_of({p({"sub", "a.txt"})}) + list_name(out) + "\t";
  const std::string list = read(out);
  EXPECT_EQ(list.substr(0, head.size()), head) << escape(list);
  EXPECT_EQ(list.size(), head.size() + 64 + 2) << escape(list);
}

// A TAB, CR or LF in a name would break the line that carries it, and the list would fail its
// own check: such a name is reported as a file that cannot be opened and gets no line. The
// console shows those bytes escaped, so that the report takes one line.
TEST_F(MaskSource, NamesThatNoListLineCanCarryAreNotHashed) {
  VEROLT_POSIX_ONLY();
  files({"abc.txt", "cr\rname", "lf\nname", "tab\tname"});
  const std::string refused = cannot_open_shown("cr\rname") + cannot_open_shown("lf\nname") +
                              cannot_open_shown("tab\tname");
  for (const char* threads : {"1", "2"}) {
    RunOptions options;
    options.env = {{"VEROLT_THREADS", threads}};
    const RunResult r = run({"*", "out.lst"}, options);
    EXPECT_EQ(r.exitCode, 2) << r;
    EXPECT_EQ(r.out, refused + con(kMaskSummary) + nl() + created("out.lst"));
    EXPECT_EQ(read("out.lst"), list_of({"abc.txt"}) + ansi_line(kMaskSummary));
    std::filesystem::remove(path("out.lst"));
  }
  // Into the console and into a stream list alike; from a names list a CR is refused.
  RunResult r = run({"*"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, console_of({"abc.txt"}) + refused + con(kMaskSummary) + nl());
  write("names.lst", "abc.txt\r\ncr\rname\n");
  r = run({"/m", "/l:names.lst", "stream.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out,
            cannot_open_shown("cr\rname") + con(kListSummary) + nl() + created("stream.lst"));
  EXPECT_EQ(read("stream.lst"), "abc.txt\r\n" + total_line(kAbcSet2) + ansi_line(kListSummary));
}

TEST_F(MaskSource, SortFoldsAsciiCaseAndThenComparesBytes) {
  files({"B.txt", "a.txt", "_x", "A.txt", "a1.txt", "ab.txt", "a_b.txt", ".hidden", "a"});
  const RunResult r = run({"*.*"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, console_of({".hidden", "_x", "a", "A.txt", "a.txt", "a1.txt", "a_b.txt",
                               "ab.txt", "B.txt"}));
}

TEST_F(MaskSource, CyrillicCapitalsSortBeforeSmallLetters) {
  files({"б.txt", "Б.txt", "а.txt", "А.txt", "z.txt", "Ё.txt"});
  const RunResult r = run({"*.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  // Windows-1251 and UTF-8 bytes give the same order here: Latin, Ё, then the Cyrillic
  // capitals, then the small letters.
  EXPECT_EQ(r.out, console_of({"z.txt", "Ё.txt", "А.txt", "Б.txt", "а.txt", "б.txt"}));
}

TEST_F(MaskSource, PercentSignsInNamesAreNoFormats) {
  files({"%s%n%d.txt", "100%.txt"});
  RunResult r = run({"*.txt", "%s%n.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("%s%n.lst"));
  EXPECT_EQ(read("%s%n.lst"), list_of({"%s%n%d.txt", "100%.txt"}));
  r = run({"*.txt"});
  EXPECT_EQ(r.out, console_of({"%s%n%d.txt", "100%.txt"}));
  r = run({"/%s%n"});
  EXPECT_EQ(r.out, unknown_option("/%s%n"));
  r = run({"/l:%s%n"});
  EXPECT_EQ(r.out, cannot_open_list("%s%n"));
  r = run({"%n*.none"});
  EXPECT_EQ(r.out, con(kNotFound) + nl());
}

TEST_F(MaskSource, EmptyOperands) {
  files({"a.txt"});
  // An empty target selects every file, like "*.*".
  RunResult r = run({""});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, console_of({"a.txt"}));
  // An empty output name is a file that cannot be created.
  r = run({"a.txt", ""});
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.out, cannot_create(""));
}

TEST_F(MaskSource, ManyFilesOfManySizesKeepTheirOrderAndValues) {
  // Whatever the program does in parallel, the list equals the files hashed one run each.
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "f" + std::to_string(i) + ".bin";
    std::string content = big_content().substr(static_cast<std::size_t>(i) * 7);
    content.resize(static_cast<std::size_t>(i % 8 == 0 ? 0 : (i * 7919) % 300000));
    write(name, content);
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::string expected;
  for (const auto& name : names) {
    const RunResult one = run({name});
    ASSERT_EQ(one.exitCode, 0) << one;
    const std::string head = con_name(name) + nl();
    ASSERT_EQ(one.out.substr(0, head.size()), head) << one;
    expected += name + "\t" + one.out.substr(head.size(), 64) + std::string(kCrLf);
  }
  const RunResult r = run({"*.bin", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out.lst"), expected);
}

TEST_F(MaskSource, RecursionNamesCarryTheSubdirectoryAndSortItAsBackslash) {
  files({"a.txt", "a1.txt", "a_b.txt", "ab.txt", p({"a", "b.txt"}), p({"sub", "y.txt"}),
         p({"sub", "deeper", "z.txt"}), p({"sub", ".dotfile"}), p({".git", "x"}),
         p({"sub", ".cache", "x"})});
  make_dir("empty");
  const RunResult r = run({"/r", "*.*", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.lst"));
  // The separator sorts as a backslash: after digits and the dot, before "_" and letters.
  EXPECT_EQ(read("out.lst"),
            list_of({"a.txt", "a1.txt", p({"a", "b.txt"}), "a_b.txt", "ab.txt",
                     p({"sub", ".dotfile"}), p({"sub", "deeper", "z.txt"}), p({"sub", "y.txt"})}));
}

TEST_F(MaskSource, RecursionFiltersOnlyTheStartingDirectory) {
  files({"a.txt", "b.bin", p({"sub", "c.txt"}), p({"d.txt", "e.bin"}), p({"d.txt", "f", "g"}),
         p({".d.txt", "h.txt"})});
  RunResult r = run({"*.txt", "/r"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, console_of({"a.txt", p({"d.txt", "e.bin"}), p({"d.txt", "f", "g"})}));
  // A dot directory named as the target's directory is walked; only its dot subdirectories are
  // passed over.
  files({p({".d.txt", ".x", "i.txt"})});
  r = run({"/r", ".d.txt" + sep()});
  EXPECT_EQ(r.out, console_of({p({".d.txt", "h.txt"})}));
  r = run({"*.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, console_of({"a.txt"}));
}

TEST_F(MaskSource, MaskMatchesLikeTheWindowsSearch) {
  files({"a.TXT", "b.txt", "c.txt.bak", "noext", "x1.txt", "x22.txt", "[a].txt"});
  RunResult r = run({"*.txt"});
  EXPECT_EQ(r.out, console_of({"[a].txt", "a.TXT", "b.txt", "x1.txt", "x22.txt"}));
  r = run({"x?.TXT"});
  EXPECT_EQ(r.out, console_of({"x1.txt"}));
  r = run({"*.*"});  // with or without a dot
  EXPECT_EQ(r.out,
            console_of({"[a].txt", "a.TXT", "b.txt", "c.txt.bak", "noext", "x1.txt", "x22.txt"}));
  r = run({"[a].txt"});  // brackets are ordinary characters
  EXPECT_EQ(r.out, console_of({"[a].txt"}));
  r = run({"NOEXT"});
  EXPECT_EQ(r.out, console_of({"noext"}));
}

TEST_F(MaskSource, LinksToDirectoriesAreNotEntered) {
  VEROLT_POSIX_ONLY();
  files({p({"real", "f.txt"})});
  make_symlink("real", "ln");
  make_symlink(p({"real", "f.txt"}), "lf.txt");
  RunResult r = run({"/r", "*.*"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, console_of({"lf.txt", p({"real", "f.txt"})}));
  r = run({"*.*"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, console_of({"lf.txt"}));
}

TEST_F(MaskSource, TargetEndingInSeparatorSelectsTheDirectory) {
  files({p({"sub", "y.txt"}), p({"sub", "x.txt"}), p({"sub", "deep", "z.txt"}), "top.txt"});
  RunResult r = run({"sub" + sep()});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, console_of({p({"sub", "x.txt"}), p({"sub", "y.txt"})}));
  r = run({"sub" + sep(), "/r"});
  EXPECT_EQ(r.out,
            console_of({p({"sub", "deep", "z.txt"}), p({"sub", "x.txt"}), p({"sub", "y.txt"})}));
  // The prefix is kept as typed.
  r = run({"." + sep() + "sub" + sep() + "*.txt"});
  EXPECT_EQ(r.out,
            console_of({"." + sep() + p({"sub", "x.txt"}), "." + sep() + p({"sub", "y.txt"})}));
  // A directory named without the separator is its own mask: nothing without /r, all with it.
  r = run({"sub"});
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, con(kNotFound) + nl());
  r = run({"/r", "sub"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out,
            console_of({p({"sub", "deep", "z.txt"}), p({"sub", "x.txt"}), p({"sub", "y.txt"})}));
}

TEST_F(MaskSource, NothingFound) {
  files({"a.txt"});
  for (const std::string& mask :
       std::vector<std::string>{"*.none", "nodir" + sep() + "*.*", "missing.txt"}) {
    SCOPED_TRACE(mask);
    RunResult r = run({mask});
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, con(kNotFound) + nl());
    EXPECT_EQ(r.err, "");
    // The output file is created first and receives the message too; no closing message.
    std::filesystem::remove(path("out.lst"));
    r = run({mask, "out.lst"});
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, con(kNotFound) + nl());
    EXPECT_EQ(read("out.lst"), ansi_line(kNotFound));
  }
  make_dir("empty");
  const RunResult r = run({"empty" + sep()});
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, con(kNotFound) + nl());
}

TEST_F(MaskSource, TargetMatchingOnlyTheOutputFile) {
  RunResult r = run({"*.*", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.lst"));
  EXPECT_EQ(read("out.lst"), "");
  files({"a.txt"});
  r = run_input({"out.*", "out.lst"}, "y\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, overwrite_prompt("out.lst") + created("out.lst"));
  EXPECT_EQ(read("out.lst"), "");
}

struct FormatCase {
  std::vector<std::string> options;
  std::string content;
  std::string console;  // the value line on the console
  std::string file;     // the value in a hash line
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.options) << " over " << c.content.size() << " bytes";
}

class Formats : public E2ETest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(Formats, ConsoleAndFileForms) {
  const FormatCase& c = GetParam();
  write("data.bin", c.content);
  std::vector<std::string> args = c.options;
  args.push_back("data.bin");
  RunResult r = run(args);
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_name("data.bin") + nl() + c.console + nl());
  EXPECT_EQ(r.err, "");
  args.push_back("out.lst");
  r = run(args);
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.lst"));
  EXPECT_EQ(read("out.lst"), list_line("data.bin", c.file));
}

std::string p1_console(std::string_view p1) { return std::string(p1) + " "; }

INSTANTIATE_TEST_SUITE_P(
    Values, Formats,
    ::testing::Values(
        FormatCase{{}, "abc", std::string(kAbcSet2), std::string(kAbcSet2)},
        FormatCase{{"/h0"}, "abc", std::string(kAbcSet0), std::string(kAbcSet0)},
        FormatCase{{"/h1"}, "abc", std::string(kAbcSet1), std::string(kAbcSet1)},
        FormatCase{{"/h2"}, "abc", std::string(kAbcSet2), std::string(kAbcSet2)},
        FormatCase{{"/h0", "/h2"}, "abc", std::string(kAbcSet2), std::string(kAbcSet2)},
        FormatCase{{"/p1"}, "abc", p1_console(kAbcSet2P1), std::string(kAbcSet2P1)},
        FormatCase{{"/h0", "/p1"}, "abc", p1_console(kAbcSet0P1), std::string(kAbcSet0P1)},
        FormatCase{{"/p2", "/p1", "/h1"}, "abc", p1_console(kAbcSet1P1), std::string(kAbcSet1P1)},
        FormatCase{{}, "", std::string(kEmptySet2), std::string(kEmptySet2)},
        FormatCase{{"/h0"}, "", std::string(kEmptySet0), std::string(kEmptySet0)},
        FormatCase{{"/h0"},
                   std::string(kMessage32),
                   std::string(kMessage32Set0),
                   std::string(kMessage32Set0)},
        FormatCase{{"/h0"},
                   std::string(kMessage50),
                   std::string(kMessage50Set0),
                   std::string(kMessage50Set0)},
        FormatCase{
            {"/h0"}, std::string(64, '\xFF'), std::string(kOnes64Set0), std::string(kOnes64Set0)},
        FormatCase{
            {"/h1"}, std::string(64, '\xFF'), std::string(kOnes64Set1), std::string(kOnes64Set1)},
        FormatCase{{}, std::string(64, '\xFF'), std::string(kOnes64Set2), std::string(kOnes64Set2)},
        FormatCase{{}, big_content(), std::string(kBigSet2), std::string(kBigSet2)}),
    [](const ::testing::TestParamInfo<FormatCase>& caseInfo) {
      return "Case" + std::to_string(caseInfo.index);
    });

class Unopenable : public MaskSource {
 protected:
  void SetUp() override {
    VEROLT_POSIX_ONLY();
    write("a.txt", "abc");
    make_fifo("p.fifo");
    write("z.txt", "abc");
  }
};

TEST_F(Unopenable, FifoIsReportedInTheListAndOnTheConsole) {
  const RunResult r = run({"*.*", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_file("p.fifo") + con(kMaskSummary) + nl() + created("out.lst"));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read("out.lst"), list_line("a.txt", kAbcSet2) + list_name("p.fifo") + "\t" +
                                 ansi_line(kOpenFailure) + list_line("z.txt", kAbcSet2) +
                                 ansi_line(kMaskSummary));
}

TEST_F(Unopenable, FifoOnTheConsole) {
  const RunResult r = run({"*.*"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet2) + con_name("p.fifo") + nl() +
                       cannot_open_file("p.fifo") + con_pair("z.txt", kAbcSet2) +
                       con(kMaskSummary) + nl());
  EXPECT_EQ(r.err, "");
}

TEST_F(Unopenable, CharacterDevicesFoundByAMask) {
  // Reading /dev/zero would never end.
  const RunResult r = run({"/dev/zer?"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, "/dev/zero" + nl() + cannot_open_file("/dev/zero") + con(kMaskSummary) + nl());
}

TEST_F(Unopenable, FifoInASubdirectory) {
  make_dir("sub");
  make_fifo(p({"sub", "q.fifo"}));
  const RunResult r = run({"/r", "z.*", "out.lst"});  // "sub" is not entered: z.* filters it
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out.lst"), list_of({"z.txt"}));
  const RunResult all = run({"/r", "sub" + sep()});
  EXPECT_EQ(all.exitCode, 2) << all;
  EXPECT_EQ(all.out, con_name(p({"sub", "q.fifo"})) + nl() +
                         cannot_open_file(p({"sub", "q.fifo"})) + con(kMaskSummary) + nl());
}

}  // namespace
}  // namespace verolt::e2e
