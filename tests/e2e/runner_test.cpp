// The runner itself, checked with the shell: if it mixed up or lost bytes, every other end-to-end
// test would be meaningless.
#include <chrono>
#include <string>

#include "runner.h"

namespace verolt::e2e {
namespace {

class Runner : public E2ETest {
 protected:
  RunResult sh(const std::string& script, const RunOptions& options = {}) const {
    return run_process({"/bin/sh", "-c", script}, dir(), options);
  }
};

TEST_F(Runner, SeparatesStreamsAndKeepsExitCode) {
  const RunResult r = sh("printf 'out\\r\\n\\001'; printf 'err\\n' >&2; exit 7");
  EXPECT_EQ(r.exitCode, 7) << r;
  EXPECT_EQ(r.out, "out\r\n\001");
  EXPECT_EQ(r.err, "err\n");
  EXPECT_FALSE(r.timedOut);
}

TEST_F(Runner, LargeOutputOnBothStreamsDoesNotDeadlock) {
  RunOptions options;
  options.input = std::string(1 << 20, 'i');
  const RunResult r =
      sh("head -c 2000000 /dev/zero; head -c 2000000 /dev/zero >&2; wc -c", options);
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out.size(), 2000000u + std::to_string(1 << 20).size() + 1);
  EXPECT_EQ(r.err.size(), 2000000u);
}

TEST_F(Runner, StandardInputVariants) {
  RunOptions options;
  options.input = "y\n";
  EXPECT_EQ(sh("cat", options).out, "y\n");
  options.input.clear();
  EXPECT_EQ(sh("cat; echo end", options).out, "end\n");
  options.stdinMode = StdinMode::DevNull;
  EXPECT_EQ(sh("cat; echo end", options).out, "end\n");
  options.stdinMode = StdinMode::Closed;
  EXPECT_EQ(sh("if [ -e /proc/self/fd/0 ]; then echo open; else echo closed; fi", options).out,
            "closed\n");
}

TEST_F(Runner, InputNotReadDoesNotHang) {
  RunOptions options;
  options.input = std::string(4 << 20, 'x');
  const RunResult r = sh("exit 0", options);
  EXPECT_EQ(r.exitCode, 0) << r;
}

TEST_F(Runner, RunsInScratchDirectoryWithFixedLocale) {
  write("marker", "m");
  RunOptions options;
  const RunResult r = sh("ls; echo \"$LANG|${LC_ALL-unset}|${LC_CTYPE-unset}\"", options);
  EXPECT_EQ(r.out, "marker\n" + std::string(target().windows ? "ru_RU.UTF-8" : "C.UTF-8") +
                       "|unset|unset\n");
  options.env = {{"LC_ALL", "C"}, {"LANG", std::nullopt}};
  EXPECT_EQ(sh("echo \"${LANG-unset}|$LC_ALL\"", options).out, "unset|C\n");
}

TEST_F(Runner, HangIsKilledAndReported) {
  RunOptions options;
  options.timeout = std::chrono::milliseconds(500);
  options.timeoutFails = false;
  const auto start = std::chrono::steady_clock::now();
  // The grandchild holds the pipes too: the whole group goes.
  const RunResult r = sh("sleep 30 & printf partial; sleep 30", options);
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.exitCode, -1);
  EXPECT_EQ(r.out, "partial");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(Runner, TerminalModeGivesTerminalOnlyToStandardError) {
  RunOptions options;
  options.stderrTerminal = true;
  const RunResult r =
      sh("if [ -t 2 ]; then echo err-tty; fi; if [ -t 1 ]; then echo out-tty; fi;"
         "printf 'a\\nb\\b \\b%%' >&2",
         options);
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, "err-tty\n");
  // Raw mode: no "\r" added, nothing echoed.
  EXPECT_EQ(r.err, "a\nb\b \b%");
}

TEST_F(Runner, TerminalModeCapturesLargeOutput) {
  RunOptions options;
  options.stderrTerminal = true;
  const RunResult r = sh("head -c 300000 /dev/zero | tr '\\0' x >&2; echo done", options);
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.err, std::string(300000, 'x'));
  EXPECT_EQ(r.out, "done\n");
}

TEST_F(Runner, SharedStreamKeepsTheOrderOfWriting) {
  struct Case {
    bool terminal;
    std::string out;
  };
  for (const Case& c : {Case{false, "1\n2\n3\n"}, Case{true, "out-tty\nerr-tty\n1\n2\n3\n"}}) {
    SCOPED_TRACE(c.terminal);
    RunOptions options;
    options.stderrTerminal = c.terminal;
    options.stderrOnStdout = true;
    const RunResult r =
        sh("if [ -t 1 ]; then echo out-tty; fi; if [ -t 2 ]; then echo err-tty; fi;"
           "echo 1; echo 2 >&2; echo 3",
           options);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(Runner, PlatformTexts) {
  if (target().windows) {
    EXPECT_EQ(sep(), "\\");
    EXPECT_EQ(con("Файл"), "\x94\xA0\xA9\xAB");
  } else {
    EXPECT_EQ(sep(), "/");
    EXPECT_EQ(con("Файл\n"), "Файл\n");
    EXPECT_TRUE(console_text_well_formed("Файл"));
    EXPECT_FALSE(console_text_well_formed("\xD4\xE0\xE9\xEB"));
  }
  EXPECT_EQ(ansi("Полный хэш = "), "\xCF\xEE\xEB\xED\xFB\xE9 \xF5\xFD\xF8 = ");
  EXPECT_EQ(p({"a", "b.txt"}), "a" + sep() + "b.txt");
}

}  // namespace
}  // namespace verolt::e2e
