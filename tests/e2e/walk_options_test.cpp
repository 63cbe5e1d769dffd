// The exclusions of the walk: /e: leaves files and directories out of a list by their relative
// path (the audit's suite has /d and the exclusions of an audit).
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

using WalkOptions = AbcFiles;

TEST_F(WalkOptions, ExclusionsLeaveFilesAndDirectoriesOut) {
  files({"a.log", "a.txt", "b.txt", p({"build", "y.txt"}), p({"sub", "build", "x.txt"}),
         p({"sub", "c.log"}), p({"sub", "c.txt"}), p({"sub", "deep", "b.txt"})});
  // Without a separator a mask takes the last part at any depth; with one, the whole path.
  RunResult r = run({"/r", "/e:*.LOG", "/e:build", "/e:." + sep() + "b.txt", "*", "out.hsh"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.hsh"));
  EXPECT_EQ(read("out.hsh"), list_of({"a.txt", p({"sub", "c.txt"}), p({"sub", "deep", "b.txt"})}));
  std::filesystem::remove(path("out.hsh"));
  r = run({"/r", "/e:" + p({"sub", "*"}), "*.*", "out.hsh"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out.hsh"), list_of({"a.log", "a.txt", "b.txt", p({"build", "y.txt"})}));
}

}  // namespace
}  // namespace verolt::e2e
