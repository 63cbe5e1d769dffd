// Faults a disk can throw at the program, injected into the C library calls of the program
// under test: a read that fails half way through a file, a disk that fills up, a close that
// fails. Each must be a reported failure, never a silently wrong hash or a lost list.
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class Faults : public E2ETest {
 protected:
  void SetUp() override {
    if (target().windows || std::string(VEROLT_E2E_FAULT_LIBRARY).empty()) {
      GTEST_SKIP() << "fault injection needs the POSIX build and LD_PRELOAD";
    }
    write("abc.txt", "abc");
    write("big.bin", big_content());
  }

  // `rule` is one of VEROLT_FAULT_READ / _WRITE / _CLOSE with its value.
  RunResult run_faulty(const std::vector<std::string>& args, const std::string& variable,
                       const std::string& value, std::string input = "") const {
    RunOptions options;
    options.input = std::move(input);
    options.env = {{"LD_PRELOAD", std::string(VEROLT_E2E_FAULT_LIBRARY)},
                   // The sanitizers' runtime wants to come first; the interposer is harmless.
                   {"ASAN_OPTIONS", std::string("verify_asan_link_order=0")},
                   {variable, value}};
    return run(args, options);
  }
};

TEST_F(Faults, ReadErrorInTheMiddleIsAFileThatCannotBeOpened) {
  // Per-file hashing: the file fails, the others are hashed, the summary follows.
  RunResult r = run_faulty({"*.*", "out.lst"}, "VEROLT_FAULT_READ", "big.bin:200000");
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(read("out.lst"), list_line("abc.txt", kAbcSet2) + "big.bin\t" +
                                 ansi_line(kOpenFailure) + ansi_line(kMaskSummary));

  // A stream leaves the whole file out, not the bytes read before the error.
  write("names.lst", "abc.txt\nbig.bin\n");
  r = run_faulty({"/m", "/l:names.lst"}, "VEROLT_FAULT_READ", "big.bin:200000");
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, "abc.txt" + nl() + "big.bin" + nl() + cannot_open_file("big.bin") +
                       std::string(kAbcSet2) + nl() + con(kListSummary) + nl());

  // Verification reports it as a file that cannot be opened, however its line reads.
  write("check.lst", list_line("abc.txt", kAbcSet2) + list_line("big.bin", kBigSet2));
  r = run_faulty({"/t:check.lst", "report.txt"}, "VEROLT_FAULT_READ", "big.bin:131072", "y\n");
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(read("report.txt"), cannot_open_line("big.bin") + ansi_line(kListSummary));
}

TEST_F(Faults, FullOrFailingOutputFileEndsWithCodeThree) {
  // A re-recording that fails keeps the list recorded before, and a first one leaves no name.
  const std::string old = list_line("abc.txt", kAbcSet2);
  for (const std::string variable : {"VEROLT_FAULT_WRITE", "VEROLT_FAULT_CLOSE"}) {
    for (const bool existed : {false, true}) {
      const std::string value = variable == "VEROLT_FAULT_WRITE" ? "out.lst:70" : "out.lst";
      std::filesystem::remove(path("out.lst"));
      if (existed) write("out.lst", old);
      const RunResult r = run_faulty({"*.*", "out.lst"}, variable, value, "y\n");
      EXPECT_EQ(r.exitCode, 3) << variable << r;
      EXPECT_EQ(r.out, (existed ? overwrite_prompt("out.lst") : "") + cannot_create("out.lst"))
          << variable;
      if (existed) {
        EXPECT_EQ(read("out.lst"), old) << variable;
      } else {
        EXPECT_FALSE(exists("out.lst")) << variable;
      }
      for (const auto& entry : std::filesystem::directory_iterator(dir())) {
        EXPECT_NE(entry.path().filename().string().rfind(".out.lst.", 0), 0u) << entry.path();
      }
    }
  }
}

TEST_F(Faults, HashFileThatCannotBeWrittenWholeIsReported) {
  for (const std::string variable : {"VEROLT_FAULT_WRITE", "VEROLT_FAULT_CLOSE"}) {
    const std::string value = variable == "VEROLT_FAULT_WRITE" ? ".hsh:63" : ".hsh";
    const RunResult r = run_faulty({"/calc", "abc.txt", "big.bin"}, variable, value);
    EXPECT_EQ(r.exitCode, 1) << variable << r;
    EXPECT_NE(r.err.find(con(kCannotWriteOne) + "abc.txt.hsh"), std::string::npos) << variable << r;
    // The run stops at the first failure.
    EXPECT_FALSE(exists("big.bin.hsh")) << variable;
  }
}

// The walk's table of found files that cannot grow ends the run before anything is hashed, with
// the size the table asked for: four bytes a slot for the entries it had to hold and 2000 more.
TEST_F(Faults, TableOfFoundFilesThatCannotGrowEndsTheRun) {
  const std::string old = list_line("abc.txt", kAbcSet2);
  // The main thread's first allocation of 64 KiB or more is the table's first: for one entry.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"*.*"}, {"/m", "/r", "*"}, {"*.*", "out.lst"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    write("out.lst", old);
    const RunResult r = run_faulty(args, "VEROLT_FAULT_NEW", "65536:0:main", "y\n");
    EXPECT_EQ(r.exitCode, 100) << r;
    const std::string question = args.back() == "out.lst" ? overwrite_prompt("out.lst") : "";
    EXPECT_EQ(escape(r.out), escape(question + "\nbad memory, new_size=8004\n"));
    EXPECT_EQ(r.err, "");
    // The output file asked for is left as it was.
    EXPECT_EQ(read("out.lst"), old);
  }
  // Records come 8192 at a time (196608 bytes): the second block is wanted for the 8193rd file.
  for (int i = 0; i < 8193; ++i) write(p({"many", "f" + std::to_string(i)}), "");
  const RunResult r = run_faulty({p({"many", "*"})}, "VEROLT_FAULT_NEW", "196608:1:main");
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(escape(r.out), escape("\nbad memory, new_size=40772\n"));
}

}  // namespace
}  // namespace verolt::e2e
