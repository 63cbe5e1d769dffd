// The audit of a tree against its stored list (/a:): the lines of the differences in the order of
// a list, the summary, the exit codes, and what the audit leaves out or refuses.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class Audit : public E2ETest {
 protected:
  // The tree as recorded: files at the top and in a subdirectory, a Cyrillic name, a dot
  // directory that no walk enters.
  void record(const std::vector<std::string>& options = {}) const {
    for (const auto& [name, content] :
         std::vector<std::pair<std::string, std::string>>{{"a.txt", "abc"},
                                                          {"b.txt", "b"},
                                                          {"d.txt", "d"},
                                                          {"u.txt", "u"},
                                                          {p({"sub", "c.txt"}), "c"},
                                                          {p({"sub", "ёж.txt"}), "ж"},
                                                          {p({".hid", "x"}), "x"}}) {
      std::filesystem::remove(path(name));  // a FIFO left by a case before would never open
      write(name, content);
    }
    std::vector<std::string> args = options;
    args.insert(args.end(), {"/r", "*", "state.hsh"});
    const RunResult r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r;
  }
};

TEST_F(Audit, EveryDifferenceOnceInListOrderWithTheSummaryLast) {
  for (const std::vector<std::string>& function :
       std::vector<std::vector<std::string>>{{}, {"/s512", "/p1"}}) {
    SCOPED_TRACE(::testing::PrintToString(function));
    for (const char* name : {"state.hsh", "report.txt", "v.txt", "sub/new.txt"}) {
      std::filesystem::remove(path(name));
    }
    record(function);
    // Changed, deleted, added; a listed line without a value; a listed file that cannot be read
    // (a FIFO is never opened: the POSIX stand-in for a file nobody may read).
    write(p({"sub", "c.txt"}), "changed");
    std::filesystem::remove(path("b.txt"));
    write(p({"sub", "new.txt"}), "new");
    write("v.txt", "v");
    write("state.hsh", read("state.hsh") + list_name("v.txt") + std::string(kCrLf));
    const bool fifo = !target().windows;
    if (fifo) {
      std::filesystem::remove(path("u.txt"));
      make_fifo("u.txt");
    }
    std::vector<AuditLine> lines = {{kAbsentLine, "b.txt"},
                                    {kWrongHashLine, p({"sub", "c.txt"})},
                                    {kNewLine, p({"sub", "new.txt"})}};
    if (fifo) lines.push_back({kCannotOpenListed, "u.txt"});
    lines.push_back({kMissingHashLine, "v.txt"});
    const std::string total = audit_total(7, 5, fifo ? 3 : 4, 1, 1, 1, fifo ? 1 : 0);

    std::vector<std::string> args = function;
    args.insert(args.end(), {"/r", "*", "/a:state.hsh"});
    RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 3) << r;
    EXPECT_EQ(escape(r.out), escape(audit_console(lines, total)));
    EXPECT_EQ(r.err, "");

    // With a report: the same lines there, the summary last in both.
    args.push_back("report.txt");
    r = run(args);
    EXPECT_EQ(r.exitCode, 3) << r;
    EXPECT_EQ(escape(read("report.txt")), escape(audit_report(lines, total)));
    EXPECT_EQ(escape(r.out), escape(created("report.txt") + con(total)));
  }
}

TEST_F(Audit, ExitCodeIsTheLargestThatApplies) {
  record();
  struct Case {
    const char* change;  // what happens to the tree before the audit
    int code;
  };
  for (const Case& c : std::vector<Case>{
           {"nothing", 0}, {"added", 1}, {"deleted", 1}, {"changed", 1}, {"valueless", 3}}) {
    SCOPED_TRACE(c.change);
    const std::string before = read("state.hsh");
    const std::string change = c.change;
    if (change == "added") write("z.txt", "z");
    if (change == "deleted") std::filesystem::remove(path("d.txt"));
    if (change == "changed") write("a.txt", "abd");
    if (change == "valueless") {
      write("state.hsh", before + "w.txt\t-\r\n");
      write("w.txt", "w");
    }
    const RunResult r = run({"/r", "*", "/a:state.hsh"});
    EXPECT_EQ(r.exitCode, c.code) << r;
    // The list is never audited as a file of the tree, under any name.
    EXPECT_EQ(r.out.find("state.hsh"), std::string::npos) << r;
    write("state.hsh", before);
    std::filesystem::remove(path("z.txt"));
    std::filesystem::remove(path("w.txt"));
    write("d.txt", "d");
    write("a.txt", "abc");
  }
  // Under another spelling of its name the list is still left out.
  RunResult r = run({"/r", "*", "/a:." + sep() + "state.hsh"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con(audit_total(6, 6, 6, 0, 0, 0, 0)));
}

// A name the list holds twice is one listed file, judged by its first line alone: the later
// line is passed over, uncounted, whatever it holds.
TEST_F(Audit, ANameListedTwiceCountsOnceByItsFirstLine) {
  record();
  const std::string recorded = read("state.hsh");
  const std::string wrong = "a.txt\t" + std::string(kAbcSet1) + "\r\n";
  struct Case {
    const char* what;
    std::string list;
    std::vector<AuditLine> lines;
    std::string total;
    int code;
  };
  std::vector<Case> cases = {
      {"the same line again",
       recorded + list_line("a.txt", kAbcSet2),
       {},
       audit_total(6, 6, 6, 0, 0, 0, 0),
       0},
      {"a wrong value after the right one",
       recorded + wrong,
       {},
       audit_total(6, 6, 6, 0, 0, 0, 0),
       0},
      {"a wrong value before the right one",
       wrong + recorded,
       {{kWrongHashLine, "a.txt"}},
       audit_total(6, 6, 5, 1, 0, 0, 0),
       1},
      {"a name without a value after its line",
       recorded + "b.txt\r\n",
       {},
       audit_total(6, 6, 6, 0, 0, 0, 0),
       0},
      {"a name without a value before its line",
       "b.txt\r\n" + recorded,
       {{kMissingHashLine, "b.txt"}},
       audit_total(6, 5, 5, 0, 0, 0, 0),
       3},
      // Absent, it is reported once.
      {"an absent name twice",
       recorded + list_line("gone.txt", kAbcSet2) + list_line("gone.txt", kAbcSet1),
       {{kAbsentLine, "gone.txt"}},
       audit_total(7, 6, 6, 0, 1, 0, 0),
       1},
  };
  if (!target().windows) {
    // The same file once more in the other build's spelling: a name of its own, found absent.
    const std::size_t at = recorded.find("sub/c.txt\t");
    ASSERT_NE(at, std::string::npos);
    cases.push_back({"the other build's spelling after it",
                     recorded + "sub\\c.txt\t" + recorded.substr(at + 10, 64) + "\r\n",
                     {{kAbsentLine, "sub\\c.txt"}},
                     audit_total(7, 6, 6, 0, 1, 0, 0),
                     1});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write("state.hsh", c.list);
    std::filesystem::remove(path("report.txt"));
    RunResult r = run({"/r", "*", "/a:state.hsh"});
    EXPECT_EQ(r.exitCode, c.code) << r;
    EXPECT_EQ(escape(r.out), escape(audit_console(c.lines, c.total)));
    r = run({"/r", "*", "/a:state.hsh", "report.txt"});
    EXPECT_EQ(r.exitCode, c.code) << r;
    EXPECT_EQ(escape(read("report.txt")), escape(audit_report(c.lines, c.total)));
    EXPECT_EQ(escape(r.out), escape(created("report.txt") + con(c.total)));
    EXPECT_EQ(read("state.hsh"), c.list);
  }
}

TEST_F(Audit, RefusedBesideListOptionsAndWithoutItsList) {
  const std::string conflict = con("Ошибка! Параметр /a: не совместим с /l /t /f /m\n");
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"/a:s.hsh", "/m"},
                                             {"/M", "/A:s.hsh"},
                                             {"/t:x.lst", "/a:s.hsh"},
                                             {"/a:s.hsh", "/l"},
                                             {"/a:s.hsh", "/F:x.lst"}}) {
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 100) << ::testing::PrintToString(args) << r;
    EXPECT_EQ(r.out, conflict) << ::testing::PrintToString(args);
  }
  // A list that cannot be read leaves an old report as it was.
  write("a.txt", "abc");
  write("report.txt", "old");
  RunResult r = run_input({"/a:missing.hsh", "*.txt", "report.txt"}, "y\n");
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.out, cannot_open_list("missing.hsh"));
  EXPECT_EQ(read("report.txt"), "old");
  // A report that is the list itself would destroy it: refused before any question.
  r = run({"*.txt", "state.hsh"});
  ASSERT_EQ(r.exitCode, 0) << r;
  const std::string list = read("state.hsh");
  for (const char* report : {"state.hsh", "STATE.HSH"}) {
    if (!target().windows && std::string(report) == "STATE.HSH") continue;
    r = run_input({"*.txt", "/a:state.hsh", report}, "y\n");
    EXPECT_EQ(r.exitCode, 3) << r;
    EXPECT_EQ(r.out, cannot_create(report));
    EXPECT_EQ(read("state.hsh"), list);
  }
  // The program's own last line in a list names no file.
  write("state.hsh", list + ansi("Ошибка! Не все файлы были учтены!") + "\r\n");
  r = run({"*.txt", "/a:state.hsh"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con(audit_total(2, 2, 2, 0, 0, 0, 0)));  // a.txt and report.txt
}

TEST_F(Audit, ListOfTheOtherBuild) {
  VEROLT_NEEDS_PEER();
  make_dir("папка");
  for (const char* name : {"я.txt", "папка/ж.txt"}) write(name, "abc");
  RunResult r = run_peer({"/r", "*", "theirs.hsh"});
  ASSERT_EQ(r.exitCode, 0) << r;
  r = run({"/r", "*", "/a:theirs.hsh"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con(audit_total(2, 2, 2, 0, 0, 0, 0)));
}

TEST_F(Audit, LinesNamingTheListOrTheReportArePassedOver) {
  write("a.txt", "abc");
  write("b.txt", "b");
  write("state.hsh", "");
  // Recorded under another spelling of its name, the list holds a line of its own, and one of
  // a report that stands beside it.
  const std::string dotList = "." + sep() + "state.hsh";
  write("report.txt", "old");
  RunResult r = run_input({"*", dotList}, "y\n");
  ASSERT_EQ(r.exitCode, 0) << r;
  ASSERT_NE(read("state.hsh").find("\nstate.hsh\t"), std::string::npos);
  const std::string list = read("state.hsh");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int listed;
  };
  for (const Case& c : std::vector<Case>{
           {"the list, selected", {"*", "/a:state.hsh"}, 3},
           {"the list, named otherwise", {"*", "/a:" + dotList}, 3},
           {"the list, not selected", {"*.txt", "/a:state.hsh"}, 3},
           {"the report, left out by its name", {"*", "/a:state.hsh", "report.txt"}, 2},
           {"the report, selected", {"*", "/a:state.hsh", "." + sep() + "report.txt"}, 2}}) {
    SCOPED_TRACE(c.what);
    write("report.txt", "old");
    r = run_input(c.args, "y\n");
    EXPECT_EQ(r.exitCode, 0) << r;
    const std::string total = audit_total(c.listed, c.listed, c.listed, 0, 0, 0, 0);
    if (c.args.size() == 2) {
      EXPECT_EQ(r.out, con(total));
    } else {
      EXPECT_EQ(r.out, overwrite_prompt(c.args[2]) + created(c.args[2]) + con(total));
      EXPECT_EQ(read("report.txt"), audit_report({}, total));
    }
    EXPECT_EQ(read("state.hsh"), list);
  }
}

// Directories the walk cannot enter or read, met as a user for whom permissions count.
class AuditUnseen : public Audit {
 protected:
  void SetUp() override {
    ::chmod(dir().c_str(), 0777);
    if (::geteuid() != 0) return;
    // A build tree under a private directory is out of that user's reach: a copy is run.
    std::string pattern = "/tmp/verolt-audit-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return;
    copyDir_ = pattern;
    ::chmod(pattern.c_str(), 0755);
    const std::filesystem::path program = program_command().back();
    std::error_code error;
    std::filesystem::copy_file(program, copyDir_ / program.filename(), error);
    if (error) return;
    copy_ = copyDir_ / program.filename();
    ::chmod(copy_.c_str(), 0755);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!copyDir_.empty()) std::filesystem::remove_all(copyDir_, ignored);
  }

  // In `cwd` (relative to the scratch directory); as root through a change of user.
  RunResult run_as_user(const std::vector<std::string>& args, std::string_view cwd) const {
    std::vector<std::string> argv;
    if (::geteuid() == 0) argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    std::vector<std::string> command = program_command();
    if (!copy_.empty()) command.back() = copy_.string();
    argv.insert(argv.end(), command.begin(), command.end());
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv, cwd.empty() ? dir() : path(cwd), {});
  }
  RunResult run_in(const std::vector<std::string>& args, std::string_view cwd) const {
    std::vector<std::string> argv = program_command();
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv, path(cwd), {});
  }

 private:
  std::filesystem::path copyDir_;
  std::filesystem::path copy_;
};

TEST_F(AuditUnseen, UnreadableDirectoriesAreUnreadWhereTheySort) {
  VEROLT_POSIX_ONLY();  // the emulator cannot be started as another user
  const RunResult probe = run_as_user({"nothing*"}, "");
  if (probe.exitCode != 100) {
    GTEST_SKIP() << "the program cannot be run as an unprivileged user (no setpriv, or no "
                    "directory that user can reach for a copy of the program)"
                 << probe;
  }
  for (const char* name : {"tree/a.txt", "tree/zz.txt", "tree/sub/b.txt", "tree/sub/c.txt",
                           "tree/sub/locked.txt", "tree/sub/locked/in.txt"}) {
    write(name, name);
  }
  make_dir("tree/sub/.hid");
  // The same tree from within, from above, and from one of its directories.
  for (const auto& [cwd, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"tree", {"/r", "*", "../state.hsh"}},
           {".", {"/r", "tree/*", "tree.hsh"}},
           {"tree/sub", {"/r", "*", "../../sub.hsh"}}}) {
    const RunResult r = run_in(args, cwd);
    ASSERT_EQ(r.exitCode, 0) << r;
  }
  // Files gone and come since; one comes where the user cannot look.
  std::filesystem::remove(path("tree/sub/b.txt"));
  std::filesystem::remove(path("tree/sub/locked.txt"));
  write("tree/sub/m.txt", "m");
  write("tree/sub/locked/new.txt", "new");

  struct Case {
    const char* locked;  // the directory taken out of the user's reach
    mode_t mode;
    const char* cwd;
    std::vector<std::string> args;
    std::vector<AuditLine> lines;
    std::string total;
    int code;
  };
  const std::vector<Case> cases = {
      // Its line before its own name's file, after what sorts before it; its listed file is
      // not absent.
      {"tree/sub/locked",
       0,
       "tree",
       {"/r", "*", "/a:../state.hsh"},
       {{kAbsentLine, "sub/b.txt"},
        {kCannotOpenListed, "sub/locked"},
        {kAbsentLine, "sub/locked.txt"},
        {kNewLine, "sub/m.txt"}},
       audit_total(6, 3, 3, 0, 2, 1, 1),
       2},
      // The starting directory, as typed but for its separator.
      {"tree",
       0,
       ".",
       {"/r", "tree/*", "/a:tree.hsh"},
       {{kCannotOpenListed, "tree"}},
       audit_total(6, 0, 0, 0, 0, 0, 1),
       2},
      // The current directory, which may be entered but not read.
      {"tree/sub",
       0111,
       "tree/sub",
       {"/r", "*", "/a:../../sub.hsh"},
       {{kCannotOpenListed, "."}},
       audit_total(4, 0, 0, 0, 0, 0, 1),
       2},
      // A dot directory is never entered, so never found unreadable.
      {"tree/sub/.hid",
       0,
       "tree/sub",
       {"/r", "*", "/a:../../sub.hsh"},
       {{kAbsentLine, "b.txt"},
        {kAbsentLine, "locked.txt"},
        {kNewLine, "locked/new.txt"},
        {kNewLine, "m.txt"}},
       audit_total(4, 2, 2, 0, 2, 2, 0),
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locked);
    ::chmod(path(c.locked).c_str(), c.mode);
    std::vector<std::string> args = c.args;
    RunResult r = run_as_user(args, c.cwd);
    EXPECT_EQ(r.exitCode, c.code) << r;
    EXPECT_EQ(escape(r.out), escape(audit_console(c.lines, c.total)));
    // The same in a report.
    std::filesystem::remove(path("report.txt"));
    args.push_back(path("report.txt"));
    r = run_as_user(args, c.cwd);
    EXPECT_EQ(r.exitCode, c.code) << r;
    EXPECT_EQ(escape(read("report.txt")), escape(audit_report(c.lines, c.total)));
    ::chmod(path(c.locked).c_str(), 0755);
  }
}

// Removes a tree whose paths may be too long to name whole.
void remove_below(int parent, const char* name) {
  const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) {
    ::unlinkat(parent, name, 0);
    return;
  }
  DIR* listing = ::fdopendir(fd);
  if (listing == nullptr) {
    ::close(fd);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(listing)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
  }
  for (const std::string& entry : names) remove_below(::dirfd(listing), entry.c_str());
  ::closedir(listing);
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

TEST_F(Audit, APathTooLongForTheSystemIsUnread) {
  VEROLT_POSIX_ONLY();  // the Windows build meets its own, far shorter limit first
  write("a.txt", "abc");
  make_dir("long");
  struct Cleanup {
    std::string dir;
    ~Cleanup() { remove_below(AT_FDCWD, dir.c_str()); }
  } cleanup{path("long")};
  // Built a step at a time from within: no name of it that long can be given to the system.
  const std::string part(250, 'n');
  std::string relative = "long";
  std::string tooLong;
  int fd = ::open(path("long").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  while (tooLong.empty()) {
    ASSERT_EQ(::mkdirat(fd, part.c_str(), 0755), 0);
    const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    relative += "/" + part;
    // The walk opens it by that path and a separator.
    if (relative.size() + 1 >= PATH_MAX) tooLong = relative;
  }
  const int file = ::openat(fd, "in.txt", O_WRONLY | O_CREAT, 0644);
  ::close(fd);
  ASSERT_GE(file, 0);
  ASSERT_EQ(::write(file, "abc", 3), 3);
  ::close(file);

  // Recorded without it; then listed by hand, as if it had been reached once.
  RunResult r = run({"/r", "*", "state.hsh"});
  ASSERT_EQ(r.exitCode, 0) << r;
  const std::string line = read("state.hsh");
  write("state.hsh", line + tooLong + "/in.txt" + line.substr(line.find('\t')));
  write("m.txt", "m");
  r = run({"/r", "*", "/a:state.hsh"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, con(kCannotOpenListed) + tooLong + "\n" + con(kNewLine) + "m.txt\n" +
                       con(audit_total(2, 1, 1, 0, 0, 1, 1)));
}

}  // namespace
}  // namespace verolt::e2e
