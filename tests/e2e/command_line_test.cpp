// The command line as a user meets it: help, argument errors, option spelling and order.
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class CommandLine : public E2ETest {
 protected:
  void SetUp() override { write("abc.txt", "abc"); }

  // Checks a help or usage screen: the two banner lines, whose wording past the version is free,
  // then exactly `rest`.
  static void expect_banner_then(const RunResult& r, const std::string& rest) {
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.err, "") << r;
    const std::string start = con(kBannerStart);
    ASSERT_EQ(r.out.compare(0, start.size(), start), 0) << r;
    const auto firstEnd = r.out.find(nl());
    ASSERT_NE(firstEnd, std::string::npos) << r;
    const auto secondEnd = r.out.find(nl(), firstEnd + nl().size());
    ASSERT_NE(secondEnd, std::string::npos) << r;
    const std::string banner = r.out.substr(0, secondEnd + nl().size());
    EXPECT_GT(secondEnd, firstEnd + nl().size()) << "the licence line is empty\n" << r;
    EXPECT_TRUE(console_text_well_formed(banner)) << "banner not converted: " << escape(banner);
    EXPECT_EQ(r.out.substr(banner.size()), rest);
  }

  // Nothing may be created or changed by a run refused on its arguments.
  void expect_scratch_untouched(const std::vector<std::string>& names) const {
    for (const auto& name : names) EXPECT_FALSE(exists(name)) << name << " was created";
    EXPECT_EQ(read("abc.txt"), "abc");
  }
};

TEST_F(CommandLine, NoArgumentsShowsBannerAndShortUsage) {
  expect_banner_then(run({}), con(kShortUsage));
}

TEST_F(CommandLine, HelpShowsShortAndFullUsage) {
  const std::string help = con(kShortUsage) + con(kFullUsage);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"/?"},
                                             {"/help"},
                                             {"abc.txt", "/?"},
                                             {"/h0", "/p1", "/help"},
                                             {"a", "b", "/?"},
                                             {"/?", "/x"},
                                             {"/r", "/?", "/l:x"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    expect_banner_then(run(args), help);
  }
  expect_scratch_untouched({"a", "b"});
}

TEST_F(CommandLine, ErrorBeforeHelpWins) {
  RunResult r = run({"/x", "/?"});
  EXPECT_EQ(r.out, unknown_option("/x"));
  EXPECT_EQ(r.exitCode, 100);
  r = run({"a", "b", "c", "/?"});
  EXPECT_EQ(r.out, extra_operand("c"));
  EXPECT_EQ(r.exitCode, 100);
  r = run({"/r", "/l:x", "/?"});
  EXPECT_EQ(r.out, con(kConflict));
  EXPECT_EQ(r.exitCode, 100);
}

TEST_F(CommandLine, UnknownOptionsShowMessageAndHint) {
  // Help is spelled exactly; options are whole words; a lone slash is no operand.
  for (const std::string arg :
       {"/x", "/", "/HELP", "/Help", "/?x", "/helpme", "/h3", "/h", "/p0", "/p12", "/mm", "/rr",
        "/lx", "/l-", "/tt", "/f.", "/calcx", "/пример"}) {
    SCOPED_TRACE(arg);
    const RunResult r = run({"abc.txt", arg, "out.lst"});
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, unknown_option(arg));
    EXPECT_EQ(r.err, "");
  }
  expect_scratch_untouched({"out.lst"});
}

TEST_F(CommandLine, ExtraOperandHasNoHint) {
  struct Case {
    std::vector<std::string> args;
    std::string extra;
  };
  for (const Case& c : std::vector<Case>{{{"a", "b", "c"}, "c"},
                                         {{"a", "b", "c", "d"}, "c"},
                                         {{"", "", ""}, ""},
                                         {{"/l:x", "a", "b"}, "b"},
                                         {{"a", "/l:x", "b"}, "b"},
                                         {{"a", "b", "/l:x", "c"}, "c"},
                                         {{"/t", "a", "b"}, "b"}}) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, extra_operand(c.extra));
    EXPECT_EQ(r.err, "");
  }
  expect_scratch_untouched({"a", "b", "c", "d"});
}

TEST_F(CommandLine, RecursionConflictsWithListsInEveryOrder) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"/r", "/l:x"},
                                             {"/l:x", "/r"},
                                             {"/r", "/t"},
                                             {"/f", "/r"},
                                             {"/R", "/F:x"},
                                             {"/r", "/l"},
                                             {"/t:x", "/r"},
                                             {"/L", "out.lst", "/R"},
                                             {"/r", "/f:"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(r.out, con(kConflict));
    EXPECT_EQ(r.err, "");
  }
  expect_scratch_untouched({"out.lst", "x"});
}

TEST_F(CommandLine, OptionsIgnoreLetterCase) {
  write("names.txt", "abc.txt\r\n");
  RunResult r = run({"/H1", "abc.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("abc.txt", kAbcSet1));
  r = run({"/P1", "abc.txt"});
  EXPECT_EQ(r.out, con_pair("abc.txt", std::string(kAbcSet2P1) + " "));
  r = run({"/M", "abc.txt"});  // stream of one file: its name, then the bare value
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("abc.txt", kAbcSet2));
  r = run({"/L:names.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("abc.txt", kAbcSet2));
  r = run({"/R", "abc.txt"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("abc.txt", kAbcSet2));
}

TEST_F(CommandLine, LaterParameterSetAndFormatWin) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const std::string p1Console = std::string(kAbcSet2P1) + " ";
  for (const Case& c : std::vector<Case>{
           {{"/h0", "abc.txt"}, con_pair("abc.txt", kAbcSet0)},
           {{"/h1", "abc.txt"}, con_pair("abc.txt", kAbcSet1)},
           {{"/h2", "abc.txt"}, con_pair("abc.txt", kAbcSet2)},
           {{"/h0", "/h2", "abc.txt"}, con_pair("abc.txt", kAbcSet2)},
           {{"/h2", "abc.txt", "/h0"}, con_pair("abc.txt", kAbcSet0)},
           {{"/h1", "/h0", "/p1", "abc.txt"}, con_pair("abc.txt", std::string(kAbcSet0P1) + " ")},
           {{"/p2", "/p1", "abc.txt"}, con_pair("abc.txt", p1Console)},
           {{"/p1", "/p2", "abc.txt"}, con_pair("abc.txt", kAbcSet2)},
           {{"/p1", "/h1", "abc.txt"}, con_pair("abc.txt", std::string(kAbcSet1P1) + " ")}}) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(CommandLine, AbsolutePathIsAnOperand) {
  VEROLT_POSIX_ONLY();
  write("d/one.txt", "abc");
  write("d/two.bin", "");
  const std::string mask = path("d") + "/*.txt";
  RunResult r = run({mask});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair(path("d/one.txt"), kAbcSet2));

  // An absolute output file, and an absolute directory target ending in a separator.
  const std::string out = path("out.lst");
  r = run({path("d") + "/", out});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created(out));
  EXPECT_EQ(read("out.lst"),
            list_line(path("d/one.txt"), kAbcSet2) + list_line(path("d/two.bin"), kEmptySet2));

  // A list file named by an absolute path after the list option's colon.
  write("names.txt", "abc.txt\n");
  r = run({"/l:" + path("names.txt")});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("abc.txt", kAbcSet2));
}

}  // namespace
}  // namespace verolt::e2e
