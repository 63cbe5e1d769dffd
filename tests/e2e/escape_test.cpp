// Names and arguments shown to people: on the console, in boxes and in report lines every control
// byte, and on a UTF-8 console every C1 control, is written out as \xHH, so that no name can draw
// on a terminal or start a line of its own; hash and stream lists keep names exactly.
#include <filesystem>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

// Colour, clear screen, DEL, and the CSI of the C1 set (U+009B in UTF-8) erasing a line.
const std::string kDrawing = "esc\x1B[31m\x1B[2J\x7F\xC2\x9BK.txt";
const std::string kDrawingShown = "esc\\x1B[31m\\x1B[2J\\x7F\\xC2\\x9BK.txt";
// A report file is no terminal of a known set: only its control bytes are escaped.
const std::string kDrawingReported = "esc\\x1B[31m\\x1B[2J\\x7F\xC2\x9BK.txt";
// A name that would start lines of its own; it is refused, as no list line can carry it.
const std::string kBreaking = "cr\rlf\n.txt";
const std::string kBreakingShown = "cr\\x0Dlf\\x0A.txt";
// A listed name that no file has, which would set the terminal's title.
const std::string kTitle = "gone\x1B]0;owned\x07.txt";
const std::string kTitleShown = "gone\\x1B]0;owned\\x07.txt";
// An output name with all of them.
const std::string kOutput = "out\x1B[2J\x7F\xC2\x9B\r\n.lst";
const std::string kOutputShown = "out\\x1B[2J\\x7F\\xC2\\x9B\\x0D\\x0A.lst";

class Escape : public E2ETest {};

TEST_F(Escape, NamesOnTheConsoleInBoxesAndInReports) {
  VEROLT_POSIX_ONLY();
  write("a.txt", "abc");
  write(kDrawing, "abc");
  write(kBreaking, "abc");
  write("hash.lst", kDrawing + "\t" + std::string(kEmptySet2) + "\r\n" + kTitle + "\t" +
                        std::string(kAbcSet2) + "\r\n");
  write("stream.lst", kDrawing + "\r\n" + kTitle + "\r\n" + total_line(kAbcSet2));
  const std::string listed = con(kListSummary) + nl() + created("rep.txt");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string out;
    std::string err;
    std::string report;  // rep.txt, when the run writes it
  };
  // In this order: the overwrite question finds the file the run before it created.
  const std::vector<Case> cases = {
      {"console listing",
       {"*.txt"},
       "",
       2,
       con_pair("a.txt", kAbcSet2) + con(kCannotOpenListed) + kBreakingShown + nl() +
           kDrawingShown + nl() + std::string(kAbcSet2) + nl() + con(kMaskSummary) + nl(),
       "",
       ""},
      {"boxes and report of /t:",
       {"/t:hash.lst", "rep.txt"},
       "y\ny\n",
       2,
       listed,
       ask_shown(kCheckTitle, kWrongHashBox, kDrawingShown) +
           ask_shown(kBoxTitle, kCannotOpenListed, kTitleShown),
       report_line(kWrongHashLine, kDrawingReported) + cannot_open_line(kTitleShown) +
           ansi_line(kListSummary)},
      // The stream of the one file that is there matches its total.
      {"box and report of /f:",
       {"/f:stream.lst", "rep.txt"},
       "y\n",
       2,
       listed,
       ask_shown(kBoxTitle, kCannotOpenListed, kTitleShown),
       cannot_open_line(kTitleShown) + ansi_line(kListSummary)},
      {"created", {"esc*", kOutput}, "", 0, con("Создан файл: ") + kOutputShown + nl(), "", ""},
      {"overwrite question",
       {"esc*", kOutput},
       "n\n",
       100,
       con("Файл ") + kOutputShown + con(" уже существует!\nПерезаписать? (Y/N): "),
       "",
       ""},
      {"cannot create",
       {"esc*", "nodir/" + kOutput},
       "",
       3,
       con("Ошибка создания файла: ") + "nodir/" + kOutputShown + nl(),
       "",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RunResult r = run_input(c.args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    EXPECT_EQ(escape(r.out), escape(c.out));
    EXPECT_EQ(escape(r.err), escape(c.err));
    if (!c.report.empty()) {
      EXPECT_EQ(escape(read("rep.txt")), escape(c.report));
      std::filesystem::remove(path("rep.txt"));
    }
  }
}

// What the program writes to be read back keeps the name exactly, and reads back.
TEST_F(Escape, ListsKeepNamesExactly) {
  VEROLT_POSIX_ONLY();
  write(kDrawing, "abc");
  RunResult r = run({"esc*", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(escape(read("out.lst")), escape(kDrawing + "\t" + std::string(kAbcSet2) + "\r\n"));
  r = run({"/t:out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out + r.err, "");
  r = run({"/m", "esc*", "stream.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(escape(read("stream.lst")), escape(kDrawing + "\r\n" + total_line(kAbcSet2)));
}

TEST_F(Escape, EchoedArguments) {
  write("a.txt", "abc");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
  };
  // ESC and DEL reach both builds as typed, and no Windows name can hold them.
  const std::vector<Case> cases = {
      {{"/x\x1B[2J\x7F"}, 100, unknown_option("/x\\x1B[2J\\x7F")},
      {{"/l:no\x1B[2J.lst"}, 2, cannot_open_list("no\\x1B[2J.lst")},
      {{"a.txt", "nodir/o\x1B[2J.lst"}, 3, cannot_create("nodir/o\\x1B[2J.lst")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(escape(c.args.back()));
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    EXPECT_EQ(escape(r.out), escape(c.out));
  }
}

TEST_F(Escape, C1ControlsOnAUtf8Console) {
  VEROLT_POSIX_ONLY();
  // The C locale counts as UTF-8, so its console escapes them as well.
  for (const char* lang : {"C.UTF-8", "C"}) {
    SCOPED_TRACE(lang);
    RunOptions options;
    options.env = {{"LANG", lang}};
    const RunResult r = run({"/\xC2\x9B\xC2\x80\xC2\x9F\xC2\xA0\n"}, options);
    EXPECT_EQ(r.exitCode, 100) << r;
    EXPECT_EQ(escape(r.out),
              escape(unknown_option("/\\xC2\\x9B\\xC2\\x80\\xC2\\x9F\xC2\xA0\\x0A")));
  }
}

}  // namespace
}  // namespace verolt::e2e
