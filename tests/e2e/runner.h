// Runs the program the way a user or a script does: in a scratch directory of its own, with given
// arguments, standard input and environment, and captures the exit code, standard output and
// standard error separately, byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verolt::e2e {

// ---------------------------------------------------------------------------------------------
// What depends on the platform the program was built for. Everything a test expects that differs
// between the POSIX build and the Windows build (run under an emulator) is decided here.

struct Target {
  bool windows = false;
};
const Target& target();

// The separator the program puts between a directory and a name it joins.
std::string sep();
// Joins path parts with the program's separator: p("a", "b.txt") is "a/b.txt" on POSIX.
std::string p(std::initializer_list<std::string_view> parts);
// The program's own text (written here in UTF-8, "\n" for line ends) as it reaches the console.
std::string con(std::string_view utf8);
// The program's own text as its files hold it (Windows-1251).
std::string ansi(std::string_view utf8);
// A file name, created on disk from UTF-8, as the program shows it on the console.
std::string con_name(std::string_view utf8);
// The same name as the program writes it into a list file.
std::string list_name(std::string_view utf8);
// A name read as raw bytes from a list file (or any ANSI text the program takes for a name), as
// the program shows it on the console: as it is on POSIX, in the OEM code page on Windows.
std::string con_raw_name(std::string_view bytes);
// A command-line argument typed in UTF-8 as the program echoes it, unconverted: the emulator hands
// arguments to the Windows build in the ANSI code page.
std::string con_arg(std::string_view utf8);
// The line end of the console (standard output and standard error). The Windows C runtime writes
// both in text mode, which turns "\n" into CR LF.
std::string nl();
// The line end of every file the program writes.
inline constexpr std::string_view kCrLf = "\r\n";
// True when the console text is well formed in the console's encoding (UTF-8 on POSIX).
bool console_text_well_formed(std::string_view bytes);

// ---------------------------------------------------------------------------------------------
// Running a process.

enum class StdinMode {
  Bytes,    // a pipe that delivers RunOptions::input and then end of input
  DevNull,  // /dev/null
  Closed,   // descriptor 0 not open at all
};

struct RunOptions {
  std::string input;
  StdinMode stdinMode = StdinMode::Bytes;
  // Environment changes on top of the base environment; nullopt removes the variable.
  std::vector<std::pair<std::string, std::optional<std::string>>> env;
  // Standard error on a pseudo-terminal (raw mode: bytes arrive as written); standard output
  // stays a pipe.
  bool stderrTerminal = false;
  // Standard error on the very pipe (or terminal) of standard output, as "2>&1" makes it: `out`
  // receives both in the order they were written, `err` nothing.
  bool stderrOnStdout = false;
  // When set, standard output goes to this file (a host path, created or emptied) instead of a
  // pipe, as "> file" sends it; `out` then stays empty.
  std::string stdoutFile;
  // When set, `stopSignal` is sent to the program once `stopWhen` first holds (asked every few
  // milliseconds while it runs), as a user's Ctrl+C or a kill would stop it.
  int stopSignal = 0;
  std::function<bool()> stopWhen;
  std::chrono::milliseconds timeout = std::chrono::seconds(60);
  // A hang fails the test; a runner self-test that provokes one turns this off.
  bool timeoutFails = true;
};

struct RunResult {
  int exitCode = -1;  // -1 when the process did not exit normally
  int signal = 0;     // the signal that ended it, or 0
  bool timedOut = false;
  std::string out;
  std::string err;
};
std::ostream& operator<<(std::ostream& os, const RunResult& result);

// Bytes with control and non-ASCII bytes escaped, for failure messages.
std::string escape(std::string_view bytes);

// Runs `argv` (argv[0] looked up in PATH unless it holds a "/") in `cwd`.
RunResult run_process(const std::vector<std::string>& argv, const std::string& cwd,
                      const RunOptions& options);

// The program under test: VEROLT_PROGRAM, else the path CMake built; the words of
// VEROLT_EMULATOR (blank separated), else CMake's cross-compiling emulator, go before it.
std::vector<std::string> program_command();

// The program built for the other platform: VEROLT_PEER_PROGRAM, else the path CMake passed. The
// POSIX build is run natively; a Windows peer of the POSIX build through the words of
// VEROLT_PEER_EMULATOR. Empty when there is no such program.
std::vector<std::string> peer_command();

// Arguments: `options` followed by `more`.
inline std::vector<std::string> with(std::vector<std::string> options,
                                     std::initializer_list<std::string> more) {
  options.insert(options.end(), more);
  return options;
}

// ---------------------------------------------------------------------------------------------
// A fixture with a fresh scratch directory per test, wiped at the start of the test and left in
// place afterwards for inspection.

class E2ETest : public ::testing::Test {
 protected:
  E2ETest();

  const std::string& dir() const { return dir_; }
  // Absolute host path of a name inside the scratch directory. Names are written with the
  // program's separator (p()); on the host every separator is "/".
  std::string path(std::string_view rel) const;

  void write(std::string_view rel, std::string_view bytes) const;
  std::string read(std::string_view rel) const;
  bool exists(std::string_view rel) const;
  void make_dir(std::string_view rel) const;
  void make_fifo(std::string_view rel) const;
  void make_symlink(std::string_view targetPath, std::string_view rel) const;

  RunResult run(const std::vector<std::string>& args, const RunOptions& options = {}) const;
  RunResult run_input(const std::vector<std::string>& args, std::string input) const;
  RunResult run_terminal(const std::vector<std::string>& args) const;
  // Runs the program of the other platform (see VEROLT_NEEDS_PEER) in the scratch directory.
  RunResult run_peer(const std::vector<std::string>& args) const;

 private:
  std::string dir_;
};

// Skips the current test when the program is the Windows build.
#define VEROLT_POSIX_ONLY()                                                 \
  do {                                                                      \
    if (::verolt::e2e::target().windows) GTEST_SKIP() << "POSIX behaviour"; \
  } while (false)

// A test across both builds needs the other one. The Windows build is tested beside a POSIX build
// of the same tree, so its absence there is a failure; the POSIX build alone skips the test.
#define VEROLT_NEEDS_PEER()                                                                  \
  do {                                                                                       \
    if (::verolt::e2e::peer_command().empty()) {                                             \
      if (::verolt::e2e::target().windows) FAIL() << "the POSIX build is missing: build it"; \
      GTEST_SKIP() << "no Windows build to compare with: set VEROLT_PEER_PROGRAM to "        \
                      "Verolt.exe and VEROLT_PEER_EMULATOR to the Wine command";             \
    }                                                                                        \
  } while (false)

}  // namespace verolt::e2e
