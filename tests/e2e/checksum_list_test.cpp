// Hash lists in the line format of the GNU and BSD checksum tools (/g): the tools' lists verify
// with /t:, and the program's lists check with rhash. A missing tool's list is the bytes it is
// known to write.
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

// The values of "abc" and of the empty file as every tool prints them: the program's p2 order.
struct Hash {
  std::string option, rhash, tag, abc, empty;
};
const Hash kSet2{"/h2", "--gost94-cryptopro", "GOST94-CRYPTOPRO", lower(kAbcSet2),
                 lower(kEmptySet2)};
const Hash kS256{"/s256", "--gost12-256", "GOST12-256",
                 "4e2919cf137ed41ec4fb6270c61826cc4fffb660341e0af3688cd0626d23b481",
                 "3f539a213e97c802cc229d474c6aa32a825a360b2a933a949fd925208d9ce1bb"};

class ChecksumList : public E2ETest {
 protected:
  void SetUp() override {
    write("a.txt", "abc");
    write("b.txt", "");
  }
  bool on_path(const std::string& tool) const {
    return run_process({tool, "--version"}, dir(), {}).exitCode != 127;
  }
};

TEST_F(ChecksumList, ListsOfTheToolsVerifyAndFindAChangedFile) {
  for (const Hash& f : {kSet2, kS256}) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> tools = {
        {{"rhash", f.rhash}, f.abc + "  a.txt\n" + f.empty + "  b.txt\n"},
        {{"rhash", "--bsd", f.rhash},
         f.tag + " (a.txt) = " + f.abc + "\n" + f.tag + " (b.txt) = " + f.empty + "\n"},
        {{"gost12sum"}, f.abc + " a.txt\n" + f.empty + " b.txt\n"},
        // Upper-case digits, CR LF, the binary mark, a tag in lower case.
        {{}, upper(f.abc) + " *a.txt\r\n" + lower(f.tag) + " (b.txt) = " + f.empty + "\r\n"}};
    for (const auto& [argv, expected] : tools) {
      if (argv.size() == 1 && f.option != "/s256") continue;  // gost12sum: GOST R 34.11-2012 only
      SCOPED_TRACE(f.option + " " + expected);
      write("tool.lst", expected);
      if (!argv.empty() && on_path(argv[0])) {
        std::vector<std::string> command = argv;
        command.insert(command.end(), {"a.txt", "b.txt"});
        const RunResult r = run_process(command, dir(), {});
        EXPECT_EQ(r.out, expected) << "the tool's order of the value's bytes";
        write("tool.lst", r.out);
      }
      RunResult r = run({"/g", f.option, "/t:tool.lst"});
      EXPECT_EQ(r.exitCode, 0) << r;
      EXPECT_EQ(r.out + r.err, "");
      write("a.txt", "abd");
      r = run_input({"/g", f.option, "/t:tool.lst", "rep.txt"}, "y\n");
      write("a.txt", "abc");
      EXPECT_EQ(r.exitCode, 1) << r;
      EXPECT_NE(r.err.find(con("Ошибка! Хэш файла не верен!")), std::string::npos) << r;
      EXPECT_EQ(read("rep.txt"), wrong_hash_line("a.txt") + ansi_line(kListSummary));
      std::filesystem::remove(path("rep.txt"));
    }
  }
  // Parameter set 1 has no tag: no value.
  write("tool.lst", "GOST94-CRYPTOPRO (a.txt) = " + kSet2.abc + "\n");
  EXPECT_EQ(run_input({"/g", "/h1", "/t:tool.lst"}, "y\n").exitCode, 3);
}

TEST_F(ChecksumList, ListsOfTheProgramCheckWithRhash) {
  for (const Hash& f : {kSet2, kS256}) {
    SCOPED_TRACE(f.option);
    std::filesystem::remove(path("out.lst"));
    RunResult r = run({"/g", f.option, "*.txt", "out.lst"});
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, created("out.lst"));
    EXPECT_EQ(read("out.lst"), f.abc + "  a.txt\n" + f.empty + "  b.txt\n");
    if (on_path("rhash"))
      EXPECT_EQ(run_process({"rhash", f.rhash, "-c", "out.lst"}, dir(), {}).exitCode, 0);
    // Without an output file each line follows its file's hashing.
    r = run({"/g", f.option, "*.txt"});
    EXPECT_EQ(r.out, f.abc + "  a.txt" + nl() + f.empty + "  b.txt" + nl());
  }
  // A file that cannot be opened has no line, the list no trailer; the console says both.
  write("names.lst", "a.txt\r\nmissing.txt\r\n");
  std::filesystem::remove(path("out.lst"));
  RunResult r = run({"/g", "/l:names.lst", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_file("missing.txt") + con(kListSummary) + nl() + created("out.lst"));
  EXPECT_EQ(read("out.lst"), kSet2.abc + "  a.txt\n");
  // Nothing found: an empty list.
  std::filesystem::remove(path("out.lst"));
  r = run({"/g", "*.none", "out.lst"});
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(read("out.lst"), "");
}

TEST_F(ChecksumList, TheAuditReadsTheToolsLines) {
  write("tool.lst", kSet2.abc + "  a.txt\n" + "GOST94-CRYPTOPRO (b.txt) = " + kSet2.empty + "\n");
  const std::string clean = audit_total(2, 2, 2, 0, 0, 0, 0);
  RunResult r = run({"/g", "*.txt", "/a:tool.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con(clean));
  write("a.txt", "abd");
  r = run({"/g", "*.txt", "/a:tool.lst"});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(r.out, audit_console({{kWrongHashLine, "a.txt"}}, audit_total(2, 2, 1, 1, 0, 0, 0)));
}

TEST_F(ChecksumList, NameWithABackslashRoundTrips) {
  VEROLT_POSIX_ONLY();
  write("a\\b.c", "abc");
  RunResult r = run({"/g", "*.c", "out.lst"});
  EXPECT_EQ(read("out.lst"), "\\" + kSet2.abc + "  a\\\\b.c\n");
  r = run({"/g", "/t:out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out + r.err, "");
}

}  // namespace
}  // namespace verolt::e2e
