// The single-file modes: /calc writes NAME.hsh, /check and /info compare with it; they report
// only through message boxes and the exit code.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

// The usage box after its two banner lines.
constexpr std::string_view kUsageBody =
    "\n"
    "Не заданы или ошибочны параметры запуска.\n"
    "\n"
    "Verolt.exe [/calc] [/check] [/info] FileName \n"
    "\n"
    "    /calc  - вычислить хэш файла FileName\n"
    "             (значение хэша записывается в файл FileName.hsh)\n"
    "    /check - проверить хэш файла FileName\n"
    "             (значение хэша считывается из файла FileName.hsh)\n"
    "             (если хэш верен, то выйти без сообщения и вернуть exitcode)\n"
    "             (если хэш неверен - сообщение об этом выдается всегда)\n"
    "    /info - проверить хэш и выдать сообщение о результатах проверки\n"
    "\n"
    "Примеры запуска:\n"
    "\n"
    "    Записать хэш файла testfile.txt в файл testfile.txt.hsh:\n"
    "       Verolt.exe /calc testfile.txt\n"
    "\n"
    "    Проверить хэш файла testfile.txt (требуется файл testfile.txt.hsh):\n"
    "       Verolt.exe /info testfile.txt\n"
    "\n"
    "    Проверить хэш файла testfile.txt без выдачи сообщения\n"
    "    о правильном хэше:\n"
    "       Verolt.exe /check testfile.txt\n";

// The OK box of /info, without the error mark.
std::string right_box(std::string_view name) {
  return box(kCheckTitle, con(kRightHashOne) + con_name(name), false);
}

class SingleFile : public E2ETest {
 protected:
  void SetUp() override {
    write("a.txt", "abc");
    write("b.txt", "");
  }
  // A run, its boxes and its exit code; nothing reaches standard output.
  void expect(const std::vector<std::string>& args, int code, const std::string& boxes) const {
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, code) << r;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, boxes);
  }
  void expect_usage(const std::vector<std::string>& args) const {
    SCOPED_TRACE(::testing::PrintToString(args));
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, "");
    const std::string head = nl() + "[ " + con(kUsageTitle) + " ]" + nl() + con(kBannerStart);
    const std::string body = con(kUsageBody);
    ASSERT_GE(r.err.size(), head.size() + body.size()) << r;
    EXPECT_EQ(r.err.substr(0, head.size()), head);
    EXPECT_EQ(r.err.substr(r.err.size() - body.size()), body);
    // Exactly two banner lines between them.
    const std::string banner = r.err.substr(head.size(), r.err.size() - head.size() - body.size());
    EXPECT_EQ(std::count(banner.begin(), banner.end(), '\n'), 2) << escape(banner);
  }
};

TEST_F(SingleFile, CalcThenCheckInSilence) {
  const RunResult r = run({"/calc", "a.txt", "b.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out + r.err, "");
  // The p2 text in capitals, no line end, whatever print format options say elsewhere.
  EXPECT_EQ(read("a.txt.hsh"), kAbcSet2);
  EXPECT_EQ(read("b.txt.hsh"), kEmptySet2);
  expect({"/check", "a.txt", "b.txt"}, 0, "");
  // Only the first 64 bytes count.
  write("a.txt.hsh", std::string(kAbcSet2) + "\r\nanything");
  expect({"/check", "a.txt"}, 0, "");
  // A name in quotes with blanks in it.
  write("my file.txt", "abc");
  expect({"/calc", "my file.txt"}, 0, "");
  EXPECT_EQ(read("my file.txt.hsh"), kAbcSet2);
  expect({"/check", "my file.txt"}, 0, "");
}

TEST_F(SingleFile, InfoReportsEachRightHash) {
  expect({"/calc", "a.txt", "b.txt"}, 0, "");
  expect({"/info", "a.txt", "b.txt"}, 0, right_box("a.txt") + right_box("b.txt"));
}

TEST_F(SingleFile, HashFileThatDoesNotCheck) {
  struct Case {
    std::string stored;  // empty: no hash file
    std::string_view text;
    std::string named;
  };
  for (const Case& c :
       std::vector<Case>{{lower(kAbcSet2), kWrongHashBox, "a.txt"},
                         {std::string(kAbcSet2.substr(0, 63)), kCannotReadOne, "a.txt.hsh"},
                         {std::string(kAbcSet2P1.substr(0, 64)), kWrongHashBox, "a.txt"},
                         {"", kCannotOpenOne, "a.txt.hsh"}}) {
    SCOPED_TRACE(escape(c.stored));
    std::filesystem::remove(path("a.txt.hsh"));
    if (!c.stored.empty()) write("a.txt.hsh", c.stored);
    for (const std::string mode : {"/check", "/info"}) {
      // The run stops at the first failure: b.txt, which has no hash file, is not looked at.
      expect({mode, "a.txt", "b.txt"}, 1, error_box(c.text, c.named));
    }
  }
}

TEST_F(SingleFile, DataFileThatCannotBeOpened) {
  make_dir("adir");
  // Named before any hash file is touched; /calc writes nothing, not even for later names.
  expect({"/calc", "missing.txt", "a.txt"}, 1, error_box(kCannotOpenOne, "missing.txt"));
  EXPECT_FALSE(exists("a.txt.hsh"));
  expect({"/calc", "a.txt", "adir", "b.txt"}, 1, error_box(kCannotOpenOne, "adir"));
  EXPECT_TRUE(exists("a.txt.hsh"));
  for (const std::string name : {"missing.txt.hsh", "adir.hsh", "b.txt.hsh"}) {
    EXPECT_FALSE(exists(name)) << name;
  }
  expect({"/check", "missing.txt"}, 1, error_box(kCannotOpenOne, "missing.txt"));
  expect({"/info", "adir"}, 1, error_box(kCannotOpenOne, "adir"));
}

TEST_F(SingleFile, HashFileThatCannotBeWritten) {
  make_dir("x.txt.hsh");
  write("x.txt", "abc");
  std::vector<std::string> names = {"x.txt"};
  if (!target().windows) {
    make_symlink("nodir/a.hsh", "a.txt.hsh");
    make_symlink("/dev/full", "b.txt.hsh");
    names = {"x.txt", "a.txt", "b.txt"};
  }
  for (const std::string& name : names) {
    expect({"/calc", name}, 1, error_box(kCannotWriteOne, name + ".hsh"));
  }
}

TEST_F(SingleFile, CommandLineReachesTheOwnParse) {
  expect_usage({"/calc", "/check", "a.txt"});
  expect_usage({"a.txt", "/info", "/CALC"});
  // Options the argument loop took before handing over are refused here.
  expect_usage({"/h0", "/calc", "a.txt"});
  expect_usage({"/calc", "a.txt", "/p1"});
  EXPECT_FALSE(exists("a.txt.hsh"));
  expect({"/check"}, 1, error_box("Ошибка! Не заданы имена файлов!\n", ""));
  // 100 names are taken (the first cannot be opened); a 101st is refused.
  std::vector<std::string> names = {"/check"};
  for (int i = 0; i < 100; ++i) names.push_back("n" + std::to_string(i));
  expect(names, 1, error_box(kCannotOpenOne, "n0"));
  names.push_back("n100");
  expect_usage(names);
}

}  // namespace
}  // namespace verolt::e2e
