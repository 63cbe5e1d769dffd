// GOST R 34.11-2012 (/s256, /s512) through every mode: known answers and the values of an
// independent implementation, lists read back, verification that fails for the right reason, and
// the .hsh files of the single-file modes.
#include <cstddef>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

// The 63 ASCII digits of the standard's first example.
constexpr std::string_view kDigits63 =
    "012345678901234567890123456789012345678901234567890123456789012";
constexpr std::string_view kDigits63S256 =
    "9D151EEFD8590B89DAA6BA6CB74AF9275DD051026BB149A452FD84E5E57B5500";
constexpr std::string_view kDigits63S512 =
    "1B54D01A4AF5B9D5CC3D86D68D285462B19ABC2475222F35C085122BE4BA1FFA"
    "00AD30F8767B3A82384C6574F024C311E2A481332B08EF7F41797891C1646F48";
// GOST R 34.11-94 with parameter set 2 (computed with an independent implementation).
constexpr std::string_view kDigits63Set2 =
    "ED4693785C993D3396F5EC0EA21DF299024F970A43729C7FA326DAFC7D95A25B";

// The p1 form of a 2012 value: its p2 digits in groups of four, not reversed as 94 values are.
std::string p1(std::string_view p2) {
  std::string out;
  for (std::size_t i = 0; i < p2.size(); i += 4) {
    if (i > 0) out += ' ';
    out += p2.substr(i, 4);
  }
  return out;
}

class Gost2012 : public E2ETest {
 protected:
  void SetUp() override { make_dir(".lists"); }  // a dot directory: /r never enters it
  void make(const std::vector<std::string>& args) const {
    std::filesystem::remove(path(args.back()));
    const RunResult r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r;
  }
  void expect_silent(const std::vector<std::string>& args) const {
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(args) << r;
    EXPECT_EQ(r.out + r.err, "") << ::testing::PrintToString(args);
  }
  // The values of an independent implementation, upper-cased, one per host path ("-": `input`).
  std::vector<std::string> oracle(int bits, const std::vector<std::string>& hostPaths,
                                  const std::string& input = {}) const {
    std::vector<std::string> argv = {"rhash", "-p", "%{gost12-" + std::to_string(bits) + "}\\n"};
    argv.insert(argv.end(), hostPaths.begin(), hostPaths.end());
    RunOptions options;
    options.input = input;
    RunResult r = run_process(argv, dir(), options);
    EXPECT_EQ(r.exitCode, 0) << r;
    std::vector<std::string> values;
    std::istringstream lines(upper(r.out));
    for (std::string line; std::getline(lines, line);) values.push_back(line);
    EXPECT_EQ(values.size(), hostPaths.size()) << r;
    values.resize(hostPaths.size());
    return values;
  }
};

TEST_F(Gost2012, KnownAnswersInEveryModeAndPrintForm) {
  const std::string deep = p({"папка", "ё.txt"});
  write("m1.txt", kDigits63);
  write(deep, kDigits63);
  struct Case {
    std::vector<std::string> options;
    std::string_view value;
    bool p1;
  };
  // The last of /h0 /h1 /h2 /s256 /s512 decides, in any case.
  for (const Case& c : std::vector<Case>{{{"/s256"}, kDigits63S256, false},
                                         {{"/h0", "/S256", "/p1"}, kDigits63S256, true},
                                         {{"/s256", "/s512"}, kDigits63S512, false},
                                         {{"/p1", "/S512"}, kDigits63S512, true},
                                         {{"/s512", "/h2"}, kDigits63Set2, false}}) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    const std::string value = c.p1 ? p1(c.value) : std::string(c.value);
    // The console's p1 form ends with a blank.
    const std::string shown = c.p1 ? value + " " : value;
    RunResult r = run(with(c.options, {"/r", "*"}));
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, con_pair("m1.txt", shown) + con_pair(deep, shown));
    make(with(c.options, {"/r", "*", ".lists/l.out"}));
    EXPECT_EQ(escape(read(".lists/l.out")),
              escape(list_line("m1.txt", value) + list_line(deep, value)));
    r = run(with(c.options, {"/m", "m1.txt"}));
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, con_pair("m1.txt", shown));
    make(with(c.options, {"/m", "m1.txt", ".lists/m.out"}));
    EXPECT_EQ(read(".lists/m.out"), "m1.txt\r\n" + total_line(value));
    expect_silent(with(c.options, {"/t:.lists/l.out"}));
    expect_silent(with(c.options, {"/f:.lists/m.out"}));
  }
}

TEST_F(Gost2012, RandomTreeAgreesWithAnIndependentImplementation) {
  if (run_process({"rhash", "--version"}, dir(), {}).exitCode != 0) {
    GTEST_SKIP() << "rhash (Debian package rhash) is not on PATH: no values to compare with";
  }
  // Sizes around the 64-byte block and the 131072-byte read, in the order /r lists them.
  const std::vector<std::pair<std::string, std::size_t>> files = {{"f0", 0},
                                                                  {"f1", 1},
                                                                  {"f2", 63},
                                                                  {"f3", 64},
                                                                  {"f4", 65},
                                                                  {"f5", 131071},
                                                                  {p({"sub", "f6"}), 131072},
                                                                  {p({"sub", "f7"}), 131073}};
  std::mt19937 rng(20121);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible contents
  std::vector<std::string> hostPaths;
  std::string stream;
  std::string namesFile;
  std::string namesShown;
  for (const auto& [name, size] : files) {
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(rng() & 0xFF);
    write(name, bytes);
    hostPaths.push_back(path(name));
    stream += bytes;
    namesFile += list_name(name) + std::string(kCrLf);
    namesShown += con_name(name) + nl();
  }
  write(".lists/names.lst", namesFile);
  for (const int bits : {256, 512}) {
    const std::string option = "/s" + std::to_string(bits);
    SCOPED_TRACE(option);
    const std::vector<std::string> values = oracle(bits, hostPaths);
    const std::string total = oracle(bits, {"-"}, stream).front();
    std::string list;
    std::string console;
    for (std::size_t i = 0; i < files.size(); ++i) {
      list += list_line(files[i].first, values[i]);
      console += con_pair(files[i].first, p1(values[i]) + " ");
    }
    make({option, "/r", "*", ".lists/l.out"});
    EXPECT_EQ(read(".lists/l.out"), list);
    make({option, "/m", "/l:.lists/names.lst", ".lists/m.out"});
    EXPECT_EQ(read(".lists/m.out"), namesFile + total_line(total));
    RunResult r = run({option, "/p1", "/l:.lists/names.lst"});
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, console);
    r = run({"/p1", option, "/m", "/r", "*"});
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, namesShown + p1(total) + " " + nl());
    expect_silent({option, "/t:.lists/l.out"});
    expect_silent({option, "/f:.lists/m.out"});
  }
}

TEST_F(Gost2012, ChangedFileOrAListOfTheOtherLengthFailsVerification) {
  write("a.txt", "abc");
  write("m1.txt", kDigits63);
  make({"/s512", "/r", "*", ".lists/l512.out"});
  make({"/s256", "/m", "/r", "*", ".lists/m256.out"});
  const std::string stream = read(".lists/m256.out");
  const std::size_t totalAt = stream.find(ansi("Полный"));
  const std::string totalAsName = stream.substr(totalAt, stream.size() - kCrLf.size() - totalAt);
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int code;
    std::string boxes;
    std::string report;
  };
  auto expect = [this](const Case& c) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::filesystem::remove(path("rep.txt"));
    const RunResult r = run_input(with(c.args, {"rep.txt"}), c.input);
    EXPECT_EQ(r.exitCode, c.code) << r;
    EXPECT_EQ(r.err, c.boxes);
    EXPECT_EQ(r.out, con(kListSummary) + nl() + created("rep.txt"));
    EXPECT_EQ(read("rep.txt"), c.report + ansi_line(kListSummary));
  };
  const std::string missing = missing_hash_box("a.txt") + missing_hash_box("m1.txt");
  const std::string missingReport = missing_hash_line("a.txt") + missing_hash_line("m1.txt");
  // A value of another length is a line without a usable hash; a total line of another length is
  // a name, and the list then has no total line.
  for (const Case& c :
       std::vector<Case>{{{"/s256", "/t:.lists/l512.out"}, "y\ny\n", 3, missing, missingReport},
                         {{"/t:.lists/l512.out"}, "y\ny\n", 3, missing, missingReport},
                         {{"/s512", "/f:.lists/m256.out"},
                          "y\n",
                          3,
                          cannot_open_box(totalAsName) + format_box(),
                          cannot_open_line(totalAsName)}}) {
    expect(c);
  }
  // One byte changed after listing.
  write("m1.txt", "X" + std::string(kDigits63.substr(1)));
  expect({{"/s512", "/t:.lists/l512.out"},
          "y\n",
          1,
          wrong_hash_box("m1.txt"),
          wrong_hash_line("m1.txt")});
  expect({{"/s256", "/f:.lists/m256.out"}, "", 1, wrong_stream_box(), ""});
}

TEST_F(Gost2012, HashFilesOfBothLengths) {
  write("m1.txt", kDigits63);
  const std::string wrong = error_box(kWrongHashBox, "m1.txt");
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string boxes;
    std::string_view stored;  // m1.txt.hsh afterwards
  };
  for (const Case& c :
       std::vector<Case>{{{"/calc", "/s512", "m1.txt"}, 0, "", kDigits63S512},
                         {{"/check", "/s512", "m1.txt"}, 0, "", kDigits63S512},
                         {{"m1.txt", "/S512", "/info"},
                          0,
                          box(kCheckTitle, con(kRightHashOne) + con_name("m1.txt"), false),
                          kDigits63S512},
                         // A function of 64 digits takes the first 64 of 128 for a value.
                         {{"/check", "m1.txt"}, 1, wrong, kDigits63S512},
                         {{"/check", "/s256", "m1.txt"}, 1, wrong, kDigits63S512},
                         {{"/s512", "/calc", "m1.txt", "/s256"}, 0, "", kDigits63S256},
                         {{"/check", "/s512", "m1.txt"},
                          1,
                          error_box(kCannotReadOne, "m1.txt.hsh"),
                          kDigits63S256},
                         {{"/S256", "/check", "m1.txt"}, 0, "", kDigits63S256}}) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const RunResult r = run(c.args);
    EXPECT_EQ(r.exitCode, c.code) << r;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.boxes);
    EXPECT_EQ(read("m1.txt.hsh"), c.stored);
  }
}

}  // namespace
}  // namespace verolt::e2e
