// The audit of a tree against its stored list (/a:): the lines of the differences in the order of
// a list, the summary, the exit codes, and what the audit leaves out or refuses.
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

struct Difference {
  std::string_view message;  // the program's text before the name
  std::string name;          // UTF-8, with the program's separators
};

std::string summary(int listed, int checked, int right, int changed, int absent, int fresh,
                    int unread) {
  return "Итого: в списке " + std::to_string(listed) + ", проверено " + std::to_string(checked) +
         ", верных " + std::to_string(right) + ", искажено " + std::to_string(changed) +
         ", не найдено " + std::to_string(absent) + ", новых " + std::to_string(fresh) +
         ", не прочитано " + std::to_string(unread) + "\n";
}

constexpr std::string_view kChanged = "Ошибка! Хэш файла не верен! Файл искажен! Имя файла: ";
constexpr std::string_view kAbsent = "Ошибка! Файл не найден: ";
constexpr std::string_view kUnread = "Ошибка! Не могу открыть файл : ";
constexpr std::string_view kValueless = "Ошибка! Хэш файла не найден. Имя файла: ";
constexpr std::string_view kNew = "Новый файл: ";

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
    std::vector<Difference> lines = {
        {kAbsent, "b.txt"}, {kChanged, p({"sub", "c.txt"})}, {kNew, p({"sub", "new.txt"})}};
    if (fifo) lines.push_back({kUnread, "u.txt"});
    lines.push_back({kValueless, "v.txt"});
    const std::string total = summary(7, 5, fifo ? 3 : 4, 1, 1, 1, fifo ? 1 : 0);

    std::vector<std::string> args = function;
    args.insert(args.end(), {"/r", "*", "/a:state.hsh"});
    RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 3) << r;
    std::string console;
    for (const Difference& d : lines) console += con(d.message) + con_name(d.name) + nl();
    EXPECT_EQ(escape(r.out), escape(console + con(total)));
    EXPECT_EQ(r.err, "");

    // With a report: the same lines there, the summary last in both.
    args.push_back("report.txt");
    r = run(args);
    EXPECT_EQ(r.exitCode, 3) << r;
    std::string report;
    for (const Difference& d : lines) report += ansi(d.message) + list_name(d.name) + "\r\n";
    EXPECT_EQ(escape(read("report.txt")),
              escape(report + ansi(total.substr(0, total.size() - 1)) + "\r\n"));
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
  EXPECT_EQ(r.out, con(summary(6, 6, 6, 0, 0, 0, 0)));
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
  EXPECT_EQ(r.out, con(summary(2, 2, 2, 0, 0, 0, 0)));  // a.txt and report.txt
}

TEST_F(Audit, ListOfTheOtherBuild) {
  VEROLT_NEEDS_PEER();
  make_dir("папка");
  for (const char* name : {"я.txt", "папка/ж.txt"}) write(name, "abc");
  RunResult r = run_peer({"/r", "*", "theirs.hsh"});
  ASSERT_EQ(r.exitCode, 0) << r;
  r = run({"/r", "*", "/a:theirs.hsh"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con(summary(2, 2, 2, 0, 0, 0, 0)));
}

}  // namespace
}  // namespace verolt::e2e
