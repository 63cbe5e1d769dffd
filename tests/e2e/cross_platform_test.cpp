// The two builds side by side: a hash list or stream hash list written by one verifies with the
// other, and both write the same bytes for the same files.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class CrossPlatform : public E2ETest {
 protected:
  void SetUp() override {
    write("a.dat", "abc");
    write("B file.dat", big_content());
    write("_e.dat", "");
  }
};

TEST_F(CrossPlatform, ListsOfOneBuildVerifyWithTheOther) {
  VEROLT_NEEDS_PEER();
  struct Case {
    std::vector<std::string> options;
    bool stream;
  };
  for (const Case& c : std::vector<Case>{
           {{}, false}, {{"/h0", "/p1"}, true}, {{"/s512"}, false}, {{"/s256", "/p1"}, true}}) {
    SCOPED_TRACE(::testing::PrintToString(c.options) + (c.stream ? " /m" : ""));
    auto make = [&c](const std::string& list) {
      std::vector<std::string> args = c.options;
      if (c.stream) args.push_back("/m");
      args.insert(args.end(), {"*.dat", list});
      return args;
    };
    auto check = [&c](const std::string& list) {
      std::vector<std::string> args = c.options;
      args.push_back((c.stream ? "/f:" : "/t:") + list);
      return args;
    };
    RunResult r = run(make("ours.lst"));
    ASSERT_EQ(r.exitCode, 0) << r;
    r = run_peer(make("theirs.lst"));
    ASSERT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(escape(read("ours.lst")), escape(read("theirs.lst")));
    // Each verifies the other's list in silence.
    r = run(check("theirs.lst"));
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out + r.err, "");
    r = run_peer(check("ours.lst"));
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out + r.err, "");
    if (c.options.empty()) {
      EXPECT_EQ(read("ours.lst"), list_line("_e.dat", kEmptySet2) + list_line("a.dat", kAbcSet2) +
                                      list_line("B file.dat", kBigSet2));
    }
    std::filesystem::remove(path("ours.lst"));
    std::filesystem::remove(path("theirs.lst"));
  }
}

TEST_F(CrossPlatform, CyrillicTreesSortAndVerifyAcross) {
  VEROLT_NEEDS_PEER();
  // UTF-8 puts я (D1 8F) before ё (D1 91); Windows-1251 puts ё (B8) before я (FF).
  for (const char* name : {"a.dat", "B file.dat", "_e.dat"}) std::filesystem::remove(path(name));
  make_dir("папка");
  for (const char* name : {"я.txt", "ё.txt", "папка/ж.txt"}) write(name, "abc");
  make_dir(".lists");  // a dot directory: never entered by /r
  // The hash list each build writes: names in its own form, in one order.
  auto expected = [](bool windows) {
    std::string list;
    for (const std::string name : {"ё.txt", "папка\\ж.txt", "я.txt"}) {
      std::string shown = windows ? ansi(name) : name;
      if (!windows) std::replace(shown.begin(), shown.end(), '\\', '/');
      list += shown + "\t" + std::string(kAbcSet2) + std::string(kCrLf);
    }
    return list;
  };
  RunResult r = run({"/r", "*", ".lists/ours.lst"});
  ASSERT_EQ(r.exitCode, 0) << r;
  r = run_peer({"/r", "*", ".lists/theirs.lst"});
  ASSERT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(escape(read(".lists/ours.lst")), escape(expected(target().windows)));
  EXPECT_EQ(escape(read(".lists/theirs.lst")), escape(expected(!target().windows)));
  r = run({"/m", "/r", "*", ".lists/ours.m"});
  ASSERT_EQ(r.exitCode, 0) << r;
  r = run_peer({"/m", "/r", "*", ".lists/theirs.m"});
  ASSERT_EQ(r.exitCode, 0) << r;
  const std::string ours = read(".lists/ours.m");
  const std::string theirs = read(".lists/theirs.m");
  EXPECT_EQ(ours.substr(ours.rfind('\n', ours.size() - 2)),
            theirs.substr(theirs.rfind('\n', theirs.size() - 2)));
  // Each build verifies the other's lists in silence, as they hold the names.
  for (const char* check : {"/t:.lists/theirs.lst", "/f:.lists/theirs.m"}) {
    r = run({check});
    EXPECT_EQ(r.exitCode, 0) << check << r;
    EXPECT_EQ(r.out + r.err, "") << check;
  }
  for (const char* check : {"/t:.lists/ours.lst", "/f:.lists/ours.m"}) {
    r = run_peer({check});
    EXPECT_EQ(r.exitCode, 0) << check << r;
    EXPECT_EQ(r.out + r.err, "") << check;
  }
}

}  // namespace
}  // namespace verolt::e2e
