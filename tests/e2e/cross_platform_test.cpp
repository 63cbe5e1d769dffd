// The two builds side by side: a hash list or stream hash list written by one verifies with the
// other, and both write the same bytes for the same files.
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
  for (const Case& c : std::vector<Case>{{{}, false}, {{"/h0", "/p1"}, true}}) {
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
    if (!c.stream) {
      EXPECT_EQ(read("ours.lst"), list_line("_e.dat", kEmptySet2) + list_line("a.dat", kAbcSet2) +
                                      list_line("B file.dat", kBigSet2));
    }
    std::filesystem::remove(path("ours.lst"));
    std::filesystem::remove(path("theirs.lst"));
  }
}

}  // namespace
}  // namespace verolt::e2e
