// A tree that other users can write, audited by root, and the faults an administrator meets: links
// planted where an output or a list is named, runs stopped half way, lists that cannot be read to
// their end, outputs that are the list being read. Nothing may be written through another user's
// link, and nothing recorded may be lost or replaced by a cut copy.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSecret = "root only\n";
constexpr uid_t kNobody = 65534;

class Trust : public E2ETest {
 protected:
  void SetUp() override { write("abc.txt", "abc"); }

  // The new files a run leaves behind: names that begin with "." and the output's name.
  std::vector<std::string> leftovers(const std::string& output) const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("." + output + ".", 0) == 0) found.push_back(name);
    }
    return found;
  }

  // A symbolic link as another user would lay it.
  void plant(std::string_view target, std::string_view rel, uid_t owner = kNobody) const {
    make_symlink(target, rel);
    ASSERT_EQ(::lchown(path(rel).c_str(), owner, owner), 0) << rel;
  }
};

#define VEROLT_AS_ROOT()                                                                \
  do {                                                                                  \
    VEROLT_POSIX_ONLY();                                                                \
    if (::geteuid() != 0) GTEST_SKIP() << "links of another user need root to be laid"; \
  } while (false)

struct LinkCase {
  const char* what;
  std::vector<std::string> args;
  const char* link;  // laid by another user
  bool dangling;     // pointing at a name that does not exist yet, else at the secret
  int exitCode;
  bool listRefused;  // the console line of a list that cannot be opened, else of an output
};

TEST_F(Trust, LinksOfAnotherUserAreNeitherWrittenThroughNorReadAsLists) {
  VEROLT_AS_ROOT();
  const std::string good = list_line("abc.txt", kAbcSet2);
  const std::vector<LinkCase> cases = {
      {"hash list", {"abc.txt", "out.lst"}, "out.lst", true, 3, false},
      {"hash list over a file", {"abc.txt", "out.lst"}, "out.lst", false, 3, false},
      {"list report", {"/t:good.lst", "report.txt"}, "report.txt", false, 3, false},
      {"stream report", {"/f:good.lst", "report.txt"}, "report.txt", true, 3, false},
      {"audit report", {"/a:good.lst", "*", "report.txt"}, "report.txt", true, 3, false},
      {"directory on the way", {"abc.txt", "d/out.lst"}, "d", false, 3, false},
      {"name list", {"/l:state.lst", "out.lst"}, "state.lst", false, 2, true},
      {"hash list verified", {"/t:state.lst"}, "state.lst", false, 2, true},
      {"stream verified", {"/f:state.lst"}, "state.lst", false, 2, true},
      {"audit list", {"/a:state.lst"}, "state.lst", false, 3, true},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir());
    fs::create_directories(dir());
    write("abc.txt", "abc");
    write("good.lst", good);
    make_dir("secrets");
    write("secrets/secret", kSecret);
    const std::string target = std::string(c.link) == "d" ? path("secrets")
                               : c.dangling               ? path("secrets/new")
                                                          : path("secrets/secret");
    plant(target, c.link);
    const RunResult r = run_input(c.args, "y\n");
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    const std::string& named = c.listRefused ? c.args.front().substr(3) : c.args.back();
    EXPECT_EQ(r.out, c.listRefused ? cannot_open_list(named) : cannot_create(named));
    // Nothing of the secret shows, nothing is made or changed where the link leads.
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("secrets/secret"), kSecret);
    EXPECT_FALSE(exists("secrets/new"));
    EXPECT_FALSE(exists("secrets/out.lst"));
  }
}

TEST_F(Trust, LinksOfTheUserOrRootAreFollowed) {
  VEROLT_AS_ROOT();
  write("real.lst", "old\r\n");
  plant(path("real.lst"), "out.lst", 0);
  const RunResult r = run_input({"abc.txt", "out.lst"}, "y\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  // The file the link leads to is replaced, and the link stays a link.
  EXPECT_EQ(read("real.lst"), list_line("abc.txt", kAbcSet2));
  EXPECT_TRUE(fs::is_symlink(path("out.lst")));
}

TEST_F(Trust, HashFilesThroughAnotherUsersLinkAreRefusedWithTheirBox) {
  VEROLT_AS_ROOT();
  make_dir("secrets");
  write("secrets/secret", kSecret);
  plant(path("secrets/secret"), "abc.txt.hsh");
  RunResult r = run({"/calc", "abc.txt"});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_NE(r.err.find(con(kCannotWriteOne) + "abc.txt.hsh"), std::string::npos) << r;
  EXPECT_EQ(read("secrets/secret"), kSecret);
  // A planted .hsh holding the right value is no proof either.
  write("secrets/secret", std::string(kAbcSet2));
  r = run({"/check", "abc.txt"});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_NE(r.err.find(con(kCannotOpenOne) + "abc.txt.hsh"), std::string::npos) << r;
}

TEST_F(Trust, ReplacedFileKeepsItsOwnerModeAndOtherLinks) {
  VEROLT_AS_ROOT();
  write("out.lst", "old\r\n");
  ASSERT_EQ(::chown(path("out.lst").c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(path("out.lst").c_str(), 0640), 0);
  fs::create_hard_link(path("out.lst"), path("other.lst"));
  const RunResult r = run_input({"abc.txt", "out.lst"}, "y\n");
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out.lst"), list_line("abc.txt", kAbcSet2));
  EXPECT_EQ(read("other.lst"), "old\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(path("out.lst").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(leftovers("out.lst").empty());
}

TEST_F(Trust, FileInADirectoryWhereNothingCanBeMadeIsWrittenInPlace) {
  VEROLT_AS_ROOT();
  make_dir("fixed");
  write("fixed/out.lst", "old\r\n");
  // Even root makes no file in an immutable directory, but may still write the files in it.
  if (run_process({"chattr", "+i", path("fixed")}, dir(), {}).exitCode != 0) {
    GTEST_SKIP() << "no chattr, or a file system without the immutable flag";
  }
  const RunResult r = run_input({"abc.txt", p({"fixed", "out.lst"})}, "y\n");
  (void)run_process({"chattr", "-i", path("fixed")}, dir(), {});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("fixed/out.lst"), list_line("abc.txt", kAbcSet2));
}

TEST_F(Trust, StoppedRunLeavesTheOldFileWholeAndNothingBeside) {
  VEROLT_POSIX_ONLY();
  // Enough to hash for a while on one thread, even without sanitizers.
  const std::string block(8 << 20, 'x');
  for (int i = 0; i < 24; ++i) write("big" + std::to_string(i), block);
  const std::string old = list_line("abc.txt", kAbcSet2);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) {
    for (const bool existed : {true, false}) {
      SCOPED_TRACE(std::string(::strsignal(signal)) + (existed ? ", old list" : ", new list"));
      fs::remove(path("state.lst"));
      if (existed) write("state.lst", old);
      RunOptions options;
      options.input = "y\n";
      options.env = {{"VEROLT_THREADS", "1"}};
      options.stopSignal = signal;
      options.stopWhen = [this] { return !leftovers("state.lst").empty(); };
      const RunResult r = run({"/r", "*", "state.lst"}, options);
      EXPECT_EQ(r.signal, signal) << r;
      if (existed) {
        EXPECT_EQ(read("state.lst"), old);
      } else {
        EXPECT_FALSE(exists("state.lst"));
      }
      EXPECT_TRUE(leftovers("state.lst").empty());
    }
  }
}

TEST_F(Trust, OutputThatIsAListOfTheRunIsRefusedBeforeItIsTouched) {
  const std::string good = list_line("abc.txt", kAbcSet2);
  std::vector<std::vector<std::string>> cases = {
      {"/t:self.lst", "self.lst"},      {"/l:self.lst", "self.lst"},
      {"/f:self.lst", "self.lst"},      {"/m", "/l:self.lst", "self.lst"},
      {"/a:self.lst", "*", "self.lst"},
  };
  if (!target().windows) {
    // Under any other name.
    cases.push_back({"/t:self.lst", "alias.lst"});
    cases.push_back({"/l:self.lst", "link.lst"});
  }
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(args.front() + " " + args.back());
    write("self.lst", good);
    if (!target().windows && !exists("alias.lst")) {
      fs::create_hard_link(path("self.lst"), path("alias.lst"));
      make_symlink("self.lst", "link.lst");
    }
    const RunResult r = run_input(args, "y\n");
    EXPECT_EQ(r.exitCode, 3) << r;
    EXPECT_EQ(r.out, cannot_create(args.back()));
    EXPECT_EQ(read("self.lst"), good);
  }
}

struct ReadErrorCase {
  std::vector<std::string> args;
  int exitCode;
  std::string console;
  std::string output;  // out.lst afterwards
};

TEST_F(Trust, ReadErrorInAListIsNoEndOfIt) {
  if (target().windows || std::string(VEROLT_E2E_FAULT_LIBRARY).empty()) {
    GTEST_SKIP() << "fault injection needs the POSIX build and LD_PRELOAD";
  }
  write("def.txt", "def");
  const std::string first = list_line("abc.txt", kAbcSet2);
  // The second line would be a changed file: a list cut there must not verify.
  const std::string list = first + list_line("def.txt", kAbcSet2);
  const std::string old = "old report\r\n";
  const std::string asked = overwrite_prompt("out.lst") + cannot_open_list("names.lst");
  const std::string closed = con(kListSummary) + nl() + created("out.lst");
  const std::vector<ReadErrorCase> cases = {
      {{"/l:names.lst", "out.lst"}, 2, asked + closed, first + ansi_line(kListSummary)},
      {{"/t:names.lst", "out.lst"}, 2, asked + closed, ansi_line(kListSummary)},
      {{"/m", "/l:names.lst", "out.lst"},
       2,
       asked + closed,
       "abc.txt\r\n" + ansi_line(kListSummary)},
      {{"/f:names.lst", "out.lst"}, 2, asked + closed, ansi_line(kListSummary)},
      // Read before its report is opened: the old report stays.
      {{"/a:names.lst", "out.lst"}, 3, cannot_open_list("names.lst"), old},
  };
  for (const ReadErrorCase& c : cases) {
    SCOPED_TRACE(c.args.front());
    write("names.lst", list);
    write("out.lst", old);
    RunOptions options;
    options.input = "y\n";
    options.env = {{"LD_PRELOAD", std::string(VEROLT_E2E_FAULT_LIBRARY)},
                   {"ASAN_OPTIONS", std::string("verify_asan_link_order=0")},
                   {"VEROLT_FAULT_READ", "names.lst:" + std::to_string(first.size())}};
    const RunResult r = run(c.args, options);
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    EXPECT_EQ(r.out, c.console) << r;
    // No box: nothing about a file, and no stream total compared.
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read("out.lst"), c.output);
  }
}

}  // namespace
}  // namespace verolt::e2e
