// Recording and auditing a real tree: dot directories, exclusions, files that could not be opened
// when recorded, moved files; each night's audit as the administrator reads it.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

// Every file that is found is read: checked = right + changed.
std::string summary(int listed, int right, int changed, int absent, int fresh, int moved) {
  return audit_total(listed, right + changed, right, changed, absent, fresh, 0, moved);
}

class Integrity : public E2ETest {
 protected:
  void make_tree() const {
    for (const auto& [name, content] :
         std::vector<std::pair<std::string, std::string>>{{p({"a", "x.so"}), "x"},
                                                          {p({"a", "y.so"}), "y"},
                                                          {p({"b", "keep.txt"}), "k"},
                                                          {p({"cache", "tmp1"}), "c"},
                                                          {"log.tmp", "l"},
                                                          {"top.txt", "t"},
                                                          {p({".hidden", "h.sh"}), "h"},
                                                          {p({"b", ".git", "HEAD"}), "g"}}) {
      write(name, content);
    }
  }
  void rename(const std::string& from, const std::string& to) const {
    std::filesystem::create_directories(std::filesystem::path(path(to)).parent_path());
    std::filesystem::rename(path(from), path(to));
  }
};

TEST_F(Integrity, EachNightSaysWhatChangedAndNothingElse) {
  struct Case {
    const char* what;
    std::vector<std::string> recordOptions;
    std::function<void()> change;
    std::vector<std::string> auditOptions;
    std::vector<AuditLine> lines;
    std::string total;
    int code;
  };
  const std::vector<Case> cases = {
      {"an unchanged tree", {}, [] {}, {}, {}, summary(6, 6, 0, 0, 0, 0), 0},
      // The moved file's line stands at its new name, after an absent name that sorts before.
      {"a move beside a deletion and an addition",
       {},
       [this] {
         rename(p({"a", "x.so"}), p({"b", "x.so"}));
         std::filesystem::remove(path(p({"a", "y.so"})));
         write(p({"z", "new"}), "other");
       },
       {},
       {{kAbsentLine, p({"a", "y.so"})},
        {kMovedLine, p({"a", "x.so"}) + " -> " + p({"b", "x.so"})},
        {kNewLine, p({"z", "new"})}},
       summary(6, 4, 0, 1, 1, 1),
       1},
      // Two absent names of one value: the first in list order goes with the first new file.
      {"two copies moved",
       {},
       [this] {
         write(p({"b", "keep2.txt"}), "k");
         write("top2.txt", "t");
         rename(p({"b", "keep.txt"}), p({"c", "1"}));
         rename(p({"b", "keep2.txt"}), p({"c", "2"}));
         rename("top2.txt", p({"b", "t2"}));
       },
       {},
       {{kNewLine, p({"b", "t2"})},
        {kMovedLine, p({"b", "keep.txt"}) + " -> " + p({"c", "1"})},
        {kNewLine, p({"c", "2"})}},
       summary(6, 5, 0, 0, 2, 1),
       1},
      // Without /d a dot directory stays out of the list and of the audit.
      {"a file planted in a dot directory, default walk",
       {},
       [this] {
         write(p({".hidden", "backdoor.sh"}), "evil");
       },
       {},
       {},
       summary(6, 6, 0, 0, 0, 0),
       0},
      {"a file planted in a dot directory, /d",
       {"/d"},
       [this] {
         write(p({".hidden", "backdoor.sh"}), "evil");
         write(p({"b", ".git", "HEAD"}), "changed");
       },
       {"/d"},
       {{kNewLine, p({".hidden", "backdoor.sh"})}, {kWrongHashLine, p({"b", ".git", "HEAD"})}},
       summary(8, 7, 1, 0, 1, 0),
       1},
      // Excluded at recording and at the audit: what changes there is never looked at.
      {"exclusions at the top and below",
       {"/e:*.TMP", "/e:cache"},
       [this] {
         write("log.tmp", "changed");
         write(p({"cache", "tmp1"}), "changed");
         write(p({"cache", "more"}), "more");
         write(p({"b", "new.tmp"}), "new");
       },
       {"/e:*.TMP", "/e:cache"},
       {},
       summary(4, 4, 0, 0, 0, 0),
       0},
      // Excluded only at the audit: the listed names there are passed over, uncounted.
      {"a list recorded whole, audited with exclusions",
       {},
       [this] {
         write(p({"a", "x.so"}), "changed");
         std::filesystem::remove(path("log.tmp"));
       },
       {"/e:a/*.so", "/e:*.tmp"},
       {},
       summary(3, 3, 0, 0, 0, 0),
       0},
      // "*" does not cross a separator: a/*.so leaves out nothing deeper.
      {"an exclusion with a separator is anchored",
       {},
       [this] {
         write(p({"a", "d", "w.so"}), "w");
       },
       {"/e:a/*.so"},
       {{kNewLine, p({"a", "d", "w.so"})}},
       summary(4, 4, 0, 0, 1, 0),
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir());
    std::filesystem::create_directories(dir());
    make_tree();
    std::vector<std::string> args = c.recordOptions;
    args.insert(args.end(), {"/r", "*", "state.hsh"});
    ASSERT_EQ(run(args).exitCode, 0);
    c.change();
    args = c.auditOptions;
    args.insert(args.end(), {"/r", "*", "/a:state.hsh"});
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, c.code) << r;
    EXPECT_EQ(escape(r.out), escape(audit_console(c.lines, c.total)));
  }
}

// Masked units (links to /dev/null) and dangling links cannot be opened when recorded, nor on
// any later night: they agree. One that can be read now is a change.
TEST_F(Integrity, FilesThatCouldNotBeOpenedAgreeWhileTheyStillCannot) {
  if (target().windows) GTEST_SKIP() << "links to devices are a POSIX tree's";
  make_tree();
  make_symlink("/dev/null", "masked.service");
  make_symlink("missing", "dangling");
  ASSERT_EQ(run({"/r", "*", "state.hsh"}).exitCode, 2);
  RunResult r = run({"/r", "*", "/a:state.hsh", "report.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  // The report reads whole in the locale's set, the summary included.
  EXPECT_EQ(read("report.txt"), audit_report({}, summary(8, 8, 0, 0, 0, 0)));

  std::filesystem::remove(path("dangling"));
  write("dangling", "now a file");
  std::filesystem::remove(path("masked.service"));
  std::filesystem::remove(path("report.txt"));
  r = run({"/r", "*", "/a:state.hsh"});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(escape(r.out),
            escape(audit_console({{kWrongHashLine, "dangling"}, {kAbsentLine, "masked.service"}},
                                 summary(8, 6, 1, 1, 0, 0))));
}

}  // namespace
}  // namespace verolt::e2e
