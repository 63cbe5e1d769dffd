// The argument loop and the single-file modes' own parse of the command line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/single_file.h"
#include "files/console.h"
#include "files/texts.h"
#include "platform/console.h"

namespace verolt::app {
namespace {

using Outcome = ParsedArguments::Outcome;

// A program text as the console shows it on this platform.
std::string shown(std::string_view utf8) { return files::to_console_text(files::to_ansi(utf8)); }

ParsedArguments parse_quietly(const std::vector<std::string>& args,
                              std::string* printed = nullptr) {
  platform::initialise_console();
  testing::internal::CaptureStdout();
  ParsedArguments parsed = parse_arguments(args);
  const std::string out = testing::internal::GetCapturedStdout();
  if (printed != nullptr) *printed = out;
  return parsed;
}

TEST(ArgumentLoop, OperandsFillMaskThenOutputAndListOptionsShiftThem) {
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> mask, output, list;
  };
  const Case cases[] = {
      {{"*.*", "result.hsh"}, "*.*", "result.hsh", std::nullopt},
      {{"out.txt", "/l:names.txt"}, std::nullopt, "out.txt", "names.txt"},
      {{"/l:names.txt", "out.txt"}, std::nullopt, "out.txt", "names.txt"},
      // The operand before a list option becomes the output; a second one is dropped.
      {{"a", "b", "/l:names.txt"}, std::nullopt, "a", "names.txt"},
      {{"/l"}, std::nullopt, std::nullopt, "hash.lst"},
      {{"/l:"}, std::nullopt, std::nullopt, ""},
      {{"/t:a.lst", "/l:b.lst"}, std::nullopt, std::nullopt, "b.lst"},
      {{""}, "", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    const ParsedArguments parsed = parse_quietly(c.args);
    ASSERT_EQ(parsed.outcome, Outcome::Run) << c.args[0];
    EXPECT_EQ(parsed.settings.maskArg, c.mask) << c.args[0];
    EXPECT_EQ(parsed.settings.outputName, c.output) << c.args[0];
    const RunSettings& settings = parsed.settings;
    EXPECT_EQ(settings.mode.from_list() ? std::optional(settings.listName) : std::nullopt, c.list)
        << c.args[0];
  }
}

TEST(ArgumentLoop, FlagsOnlySwitchOnAndLaterChoicesWin) {
  ParsedArguments parsed = parse_quietly({"/h0", "/h2", "/p2", "/p1"});
  EXPECT_EQ(parsed.settings.function, hash::Function::gost94(2));
  EXPECT_EQ(parsed.settings.printFormat, files::PrintFormat::p1);

  parsed = parse_quietly({"/H1", "/P1", "/M", "/L:names.txt"});
  ASSERT_EQ(parsed.outcome, Outcome::Run);
  EXPECT_EQ(parsed.settings.function, hash::Function::gost94(1));
  EXPECT_EQ(parsed.settings.listName, "names.txt");
  parsed = parse_quietly({"/f", "/t"});
  EXPECT_EQ(parsed.settings.listName, "hash.lst");
}

TEST(ArgumentLoop, EachCombinationOfModeOptionsIsOneMode) {
  using Source = RunMode::Source;
  const struct {
    std::vector<std::string> args;
    RunMode mode;
  } cases[] = {
      {{}, RunMode::hash_list(Source::kMask)},
      {{"/r", "*", "out"}, RunMode::hash_list(Source::kMask)},
      {{"/g", "/l:x"}, RunMode::hash_list(Source::kList)},
      {{"/m"}, RunMode::stream_hash(Source::kMask)},
      {{"/H1", "/P1", "/M", "/L:names.txt"}, RunMode::stream_hash(Source::kList)},
      {{"/l", "/m"}, RunMode::stream_hash(Source::kList)},
      // /t: with /m hashes the names of the list as one stream, in either order.
      {{"/t:x.lst", "/m"}, RunMode::stream_of_hash_list()},
      {{"/m", "/t", "/l"}, RunMode::stream_of_hash_list()},
      {{"/t"}, RunMode::verify_list()},
      {{"/l:x", "/t"}, RunMode::verify_list()},
      {{"/t:a.lst", "/l:b.lst"}, RunMode::verify_list()},
      {{"/g", "/t:x"}, RunMode::verify_list()},
      // A /f form verifies the stream whatever stands beside it.
      {{"/f", "/t"}, RunMode::verify_stream()},
      {{"/t", "/F:x"}, RunMode::verify_stream()},
      {{"/f", "/m", "/l"}, RunMode::verify_stream()},
      {{"/a:x"}, RunMode::audit()},
      {{"/r", "/a:x", "/A:y", "*"}, RunMode::audit()},
      {{"/g", "/a:x"}, RunMode::audit()},
  };
  for (const auto& c : cases) {
    const ParsedArguments parsed = parse_quietly(c.args);
    const std::string args = testing::PrintToString(c.args);
    ASSERT_EQ(parsed.outcome, Outcome::Run) << args;
    EXPECT_TRUE(parsed.settings.mode == c.mode) << args;
  }
  EXPECT_EQ(parse_quietly({"/r", "/a:x", "/A:y"}).settings.listName, "y");

  // Of two conflicts, the option met first is refused.
  const struct {
    std::vector<std::string> args;
    const char* message;
  } conflicts[] = {
      {{"/a:x", "/r", "/l"}, "Ошибка! Параметр /a: не совместим с /l /t /f /m\n"},
      {{"/r", "/l", "/a:x"}, "Ошибка! Параметр /r не совместим с /l /t /f\n"},
      {{"/g", "/m", "/a:x"}, "Ошибка! Параметр /a: не совместим с /l /t /f /m\n"},
  };
  for (const auto& c : conflicts) {
    std::string out;
    EXPECT_EQ(parse_quietly(c.args, &out).exitCode, 100);
    EXPECT_EQ(out, shown(c.message)) << testing::PrintToString(c.args);
  }
}

TEST(ArgumentLoop, ErrorsEndTheRunWithTheirMessages) {
  std::string out;
  ParsedArguments parsed = parse_quietly({"/HELP"}, &out);
  EXPECT_EQ(parsed.outcome, Outcome::Exit);
  EXPECT_EQ(parsed.exitCode, 100);
  EXPECT_EQ(out, shown("Ошибка! Неизвестный параметр: /HELP\nИспользуйте /? для помощи\n"));

  parsed = parse_quietly({"a", "b", "c"}, &out);
  EXPECT_EQ(parsed.exitCode, 100);
  EXPECT_EQ(out, shown("Ошибка! Неизвестный параметр: c\n"));

  parsed = parse_quietly({"/l:x", "a", "b"}, &out);
  EXPECT_EQ(out, shown("Ошибка! Неизвестный параметр: b\n"));

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"/r", "/l:x"}, {"/l:x", "/r"}, {"/r", "/t"}, {"/f", "/r"}, {"/R", "/F:y"}}) {
    parsed = parse_quietly(args, &out);
    EXPECT_EQ(parsed.exitCode, 100);
    EXPECT_EQ(out, shown("Ошибка! Параметр /r не совместим с /l /t /f\n")) << args[0] << args[1];
  }

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"/g", "/m"}, {"/M", "/G"}, {"/f:x", "/g"}, {"/g", "/p1"}, {"/p2", "/p1", "/g"}}) {
    parsed = parse_quietly(args, &out);
    EXPECT_EQ(parsed.exitCode, 100);
    EXPECT_EQ(out, shown("Ошибка! Параметр /g не совместим с /m /f /p1\n")) << args[0] << args[1];
  }
  EXPECT_EQ(parse_quietly({"/g", "/p1", "/p2"}).outcome, Outcome::Run);

  for (const char* arg : {"/", "/x", "/Help", "/h3", "/l-", "/e:", "/E:"}) {
    parsed = parse_quietly({arg}, &out);
    EXPECT_EQ(parsed.outcome, Outcome::Exit) << arg;
    EXPECT_EQ(out.rfind(shown("Ошибка! Неизвестный параметр: "), 0), 0U) << arg;
  }
}

TEST(ArgumentLoop, WalkOptionsCollectEveryExclusionInOrder) {
  const ParsedArguments parsed =
      parse_quietly({"/D", "/r", "/e:*.tmp", "/E:cache/*", "/e:/abs/x", "*", "out.hsh"});
  ASSERT_EQ(parsed.outcome, Outcome::Run);
  EXPECT_TRUE(parsed.settings.dotDirectories);
  EXPECT_EQ(parsed.settings.excludes, (std::vector<std::string>{"*.tmp", "cache/*", "/abs/x"}));
  EXPECT_EQ(parsed.settings.maskArg, "*");
  EXPECT_EQ(parsed.settings.outputName, "out.hsh");
}

TEST(ArgumentLoop, HelpStopsAtOnceButNotAfterAnError) {
  std::string out;
  ParsedArguments parsed = parse_quietly({"/h0", "/?", "/x"}, &out);
  EXPECT_EQ(parsed.exitCode, 100);
  EXPECT_NE(out.find("Verolt.exe /check testfile.txt testfile2.txt\n"), std::string::npos);
  parsed = parse_quietly({"/x", "/help"}, &out);
  EXPECT_EQ(out.find(shown("Примеры")), std::string::npos);
}

TEST(ArgumentLoop, SingleFileOptionHandsOverWithTheSetInForce) {
  const ParsedArguments parsed = parse_quietly({"/h1", "/CALC", "/x", "a"});
  EXPECT_EQ(parsed.outcome, Outcome::SingleFile);
  EXPECT_EQ(parsed.settings.function, hash::Function::gost94(1));
}

TEST(ArgumentLoop, TheLastFunctionOptionDecides) {
  const struct {
    std::vector<std::string> args;
    hash::Function function;
  } cases[] = {
      {{"a"}, hash::Function::gost94(2)},
      {{"/S256", "a"}, hash::Function::gost2012(256)},
      {{"/h0", "/s512", "a"}, hash::Function::gost2012(512)},
      {{"/s512", "/s256"}, hash::Function::gost2012(256)},
      {{"/s256", "/h1"}, hash::Function::gost94(1)},
  };
  for (const auto& c : cases) {
    const ParsedArguments parsed = parse_quietly(c.args);
    ASSERT_EQ(parsed.outcome, Outcome::Run) << c.args[0];
    EXPECT_EQ(parsed.settings.function, c.function) << c.args[0];
  }
  // Only the whole words: the next ones are unknown options.
  for (const char* word : {"/s", "/s25", "/s2566", "/s1024"}) {
    EXPECT_EQ(parse_quietly({word}).outcome, Outcome::Exit) << word;
  }
}

#ifndef _WIN32
TEST(ArgumentLoop, AbsolutePathsAreOperandsUnlessTheyAreOptions) {
  ParsedArguments parsed = parse_quietly({"/home/user/*.txt", "/dev/full"});
  ASSERT_EQ(parsed.outcome, Outcome::Run);
  EXPECT_EQ(parsed.settings.maskArg, "/home/user/*.txt");
  EXPECT_EQ(parsed.settings.outputName, "/dev/full");
  parsed = parse_quietly({"/l:/tmp/names.lst"});
  EXPECT_EQ(parsed.settings.listName, "/tmp/names.lst");
  std::string out;
  parsed = parse_quietly({"/tmp"}, &out);
  EXPECT_EQ(parsed.outcome, Outcome::Exit);
}
#endif

SingleFileCommand parse_single(const std::string& line, bool expectAccepted = true) {
  SingleFileCommand command;
  EXPECT_EQ(parse_single_file_command_line(line, command), expectAccepted) << line;
  return command;
}

TEST(SingleFileParse, NamesQuotesAndBlanks) {
  SingleFileCommand c = parse_single("verolt /calc   a.txt  \"with blank.txt\" x\"y z");
  EXPECT_TRUE(c.calc);
  EXPECT_EQ(c.names, (std::vector<std::string>{"a.txt", "with blank.txt", "x\"y", "z"}));

  // The program's own quoted name may hold blanks; tabs are ordinary characters.
  c = parse_single("\"C:\\Program Files\\Verolt.exe\" /check a\tb \"\"");
  EXPECT_TRUE(c.check);
  EXPECT_EQ(c.names, (std::vector<std::string>{"a\tb", ""}));

  // A quoted name ends at its quote; what follows starts a further token.
  c = parse_single("v /info \"a b\"c");
  EXPECT_EQ(c.names, (std::vector<std::string>{"a b", "c"}));

  parse_single("v /check \"unclosed name", false);
}

TEST(SingleFileParse, OptionsAnyCaseGluedAndRefused) {
  SingleFileCommand c = parse_single("v /InFo file /CHECK");
  EXPECT_TRUE(c.info && c.check && !c.calc);
  c = parse_single("v /calcfile.txt");
  EXPECT_TRUE(c.calc);
  EXPECT_EQ(c.names, std::vector<std::string>{"file.txt"});
  c = parse_single("v /checkinfo");
  EXPECT_EQ(c.names, std::vector<std::string>{"info"});

  // The 2012 function's options are tokens like /calc; the last one decides.
  EXPECT_FALSE(parse_single("v /calc a").function.has_value());
  c = parse_single("v /S512 /calc a /s256");
  EXPECT_EQ(c.function, hash::Function::gost2012(256));
  EXPECT_EQ(c.names, std::vector<std::string>{"a"});
  c = parse_single("v /check /s512a");
  EXPECT_EQ(c.function, hash::Function::gost2012(512));
  EXPECT_EQ(c.names, std::vector<std::string>{"a"});

  for (const char* line :
       {"v /calc /check a", "v /info a /calc", "v /calc a /h0", "v /calc /p1 a", "v /calc a /?",
        "v /calc /", "v /check /help a", "v /calc /s a", "v /calc /s384 a"}) {
    parse_single(line, false);
  }
#ifndef _WIN32
  c = parse_single("v /calc /tmp/data.bin");
  EXPECT_EQ(c.names, std::vector<std::string>{"/tmp/data.bin"});
#endif
}

TEST(SingleFileParse, AtMostOneHundredNames) {
  std::string line = "v /calc";
  for (int i = 0; i < 100; ++i) line += " n" + std::to_string(i);
  EXPECT_EQ(parse_single(line).names.size(), 100U);
  parse_single(line + " one-too-many", false);
}

TEST(SingleFileRun, NoModeOnlyHashesTheNames) {
  // A script that quotes every argument passes "/calc" as a name: no mode is set, so b.txt is
  // only hashed (no hash file looked for), and then the name "/calc" cannot be opened.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "verolt-no-mode";
  std::filesystem::create_directories(dir);
  const std::string data = (dir / "b.txt").string();
  { std::ofstream(data) << "abc"; }
  std::filesystem::remove(data + ".hsh");
  platform::use_console_boxes(true);  // as VEROLT_BOXES=console asks on Windows
  ::testing::internal::CaptureStderr();
  const int code =
      run_single_file_mode(hash::Function::gost94(2), "verolt \"" + data + "\" \"/calc\"");
  const std::string boxes = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 1);
  EXPECT_EQ(boxes.find(".hsh"), std::string::npos) << boxes;
  EXPECT_NE(boxes.find("/calc"), std::string::npos) << boxes;
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace verolt::app
