// "--help" and "--version": answered only when alone on the command line, on standard output with
// exit code 0; beside any other argument they are operands like any other word.
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class GnuOptions : public E2ETest {};

// "--help" is the text of "/?" and after it a paragraph on the newer options and the environment,
// in the console's encoding; "/?" stays without it.
TEST_F(GnuOptions, HelpAloneIsTheFullUsageThenTheAdditionsWithSuccess) {
  const RunResult slash = run({"/?"});
  const RunResult help = run({"--help"});
  EXPECT_EQ(help.exitCode, 0) << help;
  EXPECT_EQ(help.err, "") << help;
  ASSERT_NE(slash.out.find(con(kFullUsage)), std::string::npos) << slash;
  ASSERT_EQ(help.out.compare(0, slash.out.size(), slash.out), 0) << help;
  const std::string additions = help.out.substr(slash.out.size());
  EXPECT_TRUE(console_text_well_formed(additions)) << escape(additions);
  const std::vector<std::string> words = {con("ГОСТ Р 34.11-2012"),
                                          con("Переменные окружения:"),
                                          "/s256",
                                          "/s512",
                                          "/a:",
                                          "/d ",
                                          "/e:",
                                          "/g ",
                                          "VEROLT_THREADS",
                                          "VEROLT_ENGINE",
                                          "VEROLT_BOXES"};
  for (const std::string& word : words) {
    EXPECT_NE(additions.find(word), std::string::npos) << escape(word) << " missing after usage";
    EXPECT_EQ(slash.out.find(word), std::string::npos) << escape(word) << " in /?";
  }
}

TEST_F(GnuOptions, VersionAloneNamesEngineAndThreads) {
  RunOptions options;
  options.env = {{"VEROLT_ENGINE", "portable"}, {"VEROLT_THREADS", "3"}};
  const RunResult r = run({"--version"}, options);
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.err, "") << r;
  const std::string banner = run({"/?"}).out;
  const std::string firstLine = banner.substr(0, banner.find(nl()) + nl().size());
  ASSERT_EQ(firstLine.rfind(con(kBannerStart), 0), 0U) << escape(firstLine);
  EXPECT_EQ(r.out, firstLine + con("Версия пакета: " VEROLT_PACKAGE_VERSION "\n") +
                       con("Движок хэш-функции: portable, потоков хэширования: 3\n"));
}

TEST_F(GnuOptions, BesideOtherArgumentsTheyAreOperands) {
  write("--help", "abc");
  write("--version", "abc");
  const std::string notFound = con(std::string(kNotFound) + "\n");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
  };
  const std::vector<Case> cases = {
      // A file of that name is hashed like any other.
      {{"/h0", "--help"}, 0, con_pair("--help", kAbcSet0)},
      {{"--version", "/h0"}, 0, con_pair("--version", kAbcSet0)},
      {{"--help", "/h0", "/p1"}, 0, con_pair("--help", std::string(kAbcSet0P1) + " ")},
      // Near spellings are never options: masks that match nothing here.
      {{"--HELP-me"}, 100, notFound},
      {{"-h"}, 100, notFound},
      {{"--version="}, 100, notFound},
      // Argument errors still come first.
      {{"--help", "/x"}, 100, unknown_option("/x")},
      {{"a", "b", "--version"}, 100, extra_operand("--version")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    EXPECT_EQ(r.out, c.out) << r;
  }
}

}  // namespace
}  // namespace verolt::e2e
