// Bad input of every kind: a clear outcome, never a crash or a hang, and nothing written before the
// failure lost.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

namespace fs = std::filesystem;

// The hash list line of a file that cannot be opened, its name as raw bytes.
std::string failed_line(std::string_view name) {
  return std::string(name) + "\t" + ansi_line(kOpenFailure);
}
// Equal bytes, or where they part, without printing megabytes.
::testing::AssertionResult same_bytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  return ::testing::AssertionFailure()
         << actual.size() << " bytes instead of " << expected.size() << ", from byte " << i << ": "
         << escape(actual.substr(i, 100)) << "\ninstead of: " << escape(expected.substr(i, 100));
}

class BadInput : public E2ETest {
 protected:
  void SetUp() override { write("a.txt", "abc"); }

  // The hash list that /l: writes for these names, of which only a.txt can be opened, and the
  // console lines of the same run. A name with a CR gets no line: the line could not carry it.
  static std::string list_of(const std::vector<std::string>& names) {
    std::string out;
    bool failed = false;
    for (const auto& name : names) {
      if (name == "a.txt") {
        out += list_line(name, kAbcSet2);
      } else if (name.find('\r') == std::string::npos) {
        out += failed_line(name);
      }
      failed = failed || name != "a.txt";
    }
    return failed ? out + ansi_line(kListSummary) : out;
  }
  static std::string console_of(const std::vector<std::string>& names) {
    std::string out;
    bool failed = false;
    for (const auto& name : names) {
      if (name == "a.txt") continue;
      out += cannot_open_shown(name);
      failed = true;
    }
    return (failed ? out + con(kListSummary) + nl() : out) + created("out.lst");
  }
  void expect_list_run(const std::string& list, const std::vector<std::string>& names) const {
    write("names.lst", list);
    fs::remove(path("out.lst"));
    const RunResult r = run({"/l:names.lst", "out.lst"});
    EXPECT_EQ(r.exitCode, names == std::vector<std::string>{"a.txt"} ? 0 : 2) << r;
    EXPECT_TRUE(same_bytes(r.out, console_of(names)));
    EXPECT_TRUE(same_bytes(read("out.lst"), list_of(names)));
  }

  // The program run as an unprivileged user, for whom permissions count (the tests run as root).
  // `prefix` goes between the change of user and the program.
  RunResult run_unprivileged(const std::vector<std::string>& args,
                             const std::vector<std::string>& prefix = {}) const {
    std::vector<std::string> argv;
    if (::geteuid() == 0) argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.insert(argv.end(), prefix.begin(), prefix.end());
    std::vector<std::string> command = program_command();
    if (!reachableCopy_.empty()) command.back() = reachableCopy_.string();
    argv.insert(argv.end(), command.begin(), command.end());
    argv.insert(argv.end(), args.begin(), args.end());
    return run_process(argv, dir(), {});
  }
  // A build tree under a private directory (root's home, a mktemp -d) is out of the unprivileged
  // user's reach, so that user runs a copy of the program in a directory every user can enter.
  void make_reachable_copy() {
    std::string pattern = "/tmp/verolt-unprivileged-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return;
    reachableDir_ = pattern;
    ::chmod(reachableDir_.c_str(), 0755);
    const fs::path program = program_command().back();
    std::error_code error;
    fs::copy_file(program, reachableDir_ / program.filename(), error);
    if (error) return;
    reachableCopy_ = reachableDir_ / program.filename();
    ::chmod(reachableCopy_.c_str(), 0755);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!reachableDir_.empty()) fs::remove_all(reachableDir_, ignored);
  }
  fs::path reachableDir_;
  fs::path reachableCopy_;
  // The program started with its answers held back: once it waits for the first one, the shell
  // command `meanwhile` runs, so a file can change after the program selected it; then `answers`
  // are given. Waiting is seen as the program blocked in a read of its input pipe.
  RunResult run_paused(const std::vector<std::string>& args, const std::string& meanwhile,
                       const std::string& answers, bool terminal) const {
    const std::string script =
        "rm -f answers.fifo; mkfifo answers.fifo || exit 125\n"
        "\"$@\" < answers.fifo & pid=$!\n"
        "exec 3> answers.fifo\n"
        "i=0\n"
        "until grep -q pipe_read /proc/$pid/wchan 2>/dev/null || [ $i -ge 500 ]; do\n"
        "  sleep 0.01; i=$((i + 1))\n"
        "done\n"
        "[ $i -lt 500 ] || echo 'the program never waited for an answer' >&2\n" +
        meanwhile + "\nprintf '" + answers + "' >&3\nexec 3>&-\nwait $pid\n";
    std::vector<std::string> argv = {"sh", "-c", script, "sh"};
    for (const auto& word : program_command()) argv.push_back(word);
    argv.insert(argv.end(), args.begin(), args.end());
    RunOptions options;
    options.stderrTerminal = terminal;
    return run_process(argv, dir(), options);
  }
};

TEST_F(BadInput, ListLinesOfAnyShape) {
  write(" a.txt", "");
  // One line of 1 MB: a name like any other.
  const std::string huge(1 << 20, 'x');
  expect_list_run(huge + "\na.txt\n", {huge, "a.txt"});
  // Blanks belong to the name; a TAB-only line is an empty name.
  write("names.lst", " a.txt\r\na.txt \r\n\t\r\na.txt\r\n");
  fs::remove(path("out.lst"));
  const RunResult r = run({"/l:names.lst", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  // (Windows drops trailing blanks from the names of files it opens.)
  const std::string trailing =
      target().windows ? list_line("a.txt ", kAbcSet2) : failed_line("a.txt ");
  EXPECT_EQ(read("out.lst"), list_line(" a.txt", kEmptySet2) + trailing + failed_line("") +
                                 list_line("a.txt", kAbcSet2) + ansi_line(kListSummary));
  // Lines end only at LF: a file with CR line ends is one name.
  expect_list_run("a.txt\ra.txt\r", {"a.txt\ra.txt\r"});
}

TEST_F(BadInput, ListLinesWithNulAndBinaryBytes) {
  VEROLT_POSIX_ONLY();
  // A name holding NUL names no file: never the one named by the bytes before it.
  const std::string nul("a.txt\0zzz", 9);
  expect_list_run(nul + "\na.txt\n" + std::string("a.txt\0", 6) + "\n",
                  {nul, "a.txt", std::string("a.txt\0", 6)});
  // UTF-16 with its byte order mark: the CR is no line end, the NUL after the LF a last name.
  const std::string utf16(
      "\xFF\xFE"
      "a\0.\0t\0x\0t\0\r\0",
      14);
  expect_list_run(utf16 + std::string("\n\0", 2), {utf16, std::string(1, '\0')});

  // Random binary: every line is a name that cannot be opened, the list is written whole.
  std::string binary;
  std::uint32_t state = 12345;
  for (int i = 0; i < 65536; ++i) {
    state = state * 1103515245u + 12345u;
    binary.push_back(static_cast<char>(state >> 23));
  }
  binary += "\n";
  std::vector<std::string> names;
  for (std::size_t start = 0; start < binary.size();) {
    const std::size_t end = binary.find('\n', start);
    std::string name = binary.substr(start, end - start);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    names.push_back(name.substr(0, name.find('\t')));
    start = end + 1;
  }
  expect_list_run(binary, names);
  // As a stream: the names and their error lines, then the value of empty data.
  RunResult r = run({"/m", "/l:names.lst", "stream.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  std::string stream;
  const std::string error = ansi(kCannotOpenListed);
  for (const auto& name : names) {
    if (name.find('\r') != std::string::npos) continue;
    stream.append(name).append(kCrLf).append(error).append(name).append(kCrLf);
  }
  EXPECT_TRUE(
      same_bytes(read("stream.lst"), stream + total_line(kEmptySet2) + ansi_line(kListSummary)));
}

TEST_F(BadInput, StoredValuesOfTheWrongShape) {
  const std::string value(kAbcSet2);
  std::string zeroAsX = value;
  for (char& c : zeroAsX) c = c == '0' ? 'x' : c;
  std::string p1Dashes(kAbcSet2P1);
  for (char& c : p1Dashes) c = c == ' ' ? '-' : c;
  // Non-hex characters read as zero digits: a value of them is there, just wrong; one whose
  // zeros are written as "x" is right. The wrong lengths are no value at all.
  write("p2.lst", "a.txt\t" + std::string(64, 'Z') + "\r\na.txt\t" + zeroAsX + "\r\na.txt\t" +
                      value.substr(1) + "\r\na.txt\t" + value + "0\r\n");
  RunResult r = run_input({"/t:p2.lst", "rep.txt"}, "y\ny\ny\ny\n");
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.err, wrong_hash_box("a.txt") + repeat(missing_hash_box("a.txt"), 2));
  EXPECT_EQ(read("rep.txt"), wrong_hash_line("a.txt") + repeat(missing_hash_line("a.txt"), 2) +
                                 ansi_line(kListSummary));
  // p1 does not look between its groups.
  write("p1.lst", "a.txt\t" + p1Dashes + "\r\n");
  r = run({"/t:p1.lst", "/p1"});
  EXPECT_EQ(r.exitCode, 0) << r;
  // A total line of non-hex digits is a wrong stream hash; lower-case digits verify elsewhere.
  write("s.lst", "a.txt\r\n" + ansi(kTotalPrefix) + std::string(64, 'Z') + "\r\n");
  r = run({"/f:s.lst"});
  EXPECT_EQ(r.exitCode, 1) << r;
  write("s.lst", "a.txt\r\n" + ansi(kTotalPrefix) + zeroAsX + "\r\n");
  r = run({"/f:s.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
}

TEST_F(BadInput, NamesOnDisk) {
  VEROLT_POSIX_ONLY();
  // Bytes that are no characters of the locale stay as they are, in the list and on the console.
  write("\xFF\xFE.bin", "abc");
  RunResult r = run({"*.bin", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("out.lst"), list_line("\xFF\xFE.bin", kAbcSet2));
  r = run({"*.bin"});
  EXPECT_EQ(r.out, con_pair("\xFF\xFE.bin", kAbcSet2));

  // A newline in a name would be written as a line end, and reading the list back would split
  // the name: the name is refused instead, and the list holds no line for it.
  write("x\ny.nl", "abc");
  r = run({"*.nl", "nl.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_shown("x\ny.nl") + con(kMaskSummary) + nl() + created("nl.lst"));
  EXPECT_EQ(read("nl.lst"), ansi_line(kMaskSummary));

  // A 255-byte name has no room for ".hsh": the hash file is what fails, and is named.
  const std::string longest(255, 'n');
  write(longest, "abc");
  const RunResult calc = run({"/calc", "a.txt", longest});
  EXPECT_EQ(calc.exitCode, 1) << calc;
  EXPECT_EQ(calc.err, error_box(kCannotWriteOne, longest + ".hsh"));
  EXPECT_EQ(read("a.txt.hsh"), kAbcSet2);  // written before the failure, kept
  r = run({"/check", longest});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(r.err, error_box(kCannotOpenOne, longest + ".hsh"));

  // A path of thousands of characters is a file that cannot be opened, in every mode.
  const std::string deep = repeat("sub/", 1500) + "a.txt";
  expect_list_run(deep + "\na.txt\n", {deep, "a.txt"});
  r = run({"/calc", deep});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(r.err, error_box(kCannotOpenOne, deep));
  r = run({repeat("sub/", 1500) + "*.*"});
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, con(kNotFound) + nl());
}

TEST_F(BadInput, ThousandsOfLinesAndFiles) {
  // 100,000 lines, half of them missing files: quick, and every line has its line. (The emulator
  // looks files up too slowly for more than a tenth of them.)
  const int count = target().windows ? 10000 : 100000;
  std::vector<std::string> names;
  std::string lines;
  for (int i = 0; i < count; ++i) {
    names.push_back(i % 2 == 0 ? "a.txt" : "m" + std::to_string(i));
    lines += names.back() + "\n";
  }
  write("names.lst", lines);
  RunResult r = run({"/l:names.lst", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_TRUE(same_bytes(read("out.lst"), list_of(names)));

  // A directory of 3000 files: every one hashed, in order, whatever the letter case.
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    const std::string name = p({"many", (i % 2 == 0 ? "f" : "F") + std::to_string(10000 + i)});
    write(name, "abc");
    expected += list_line(name, kAbcSet2);
  }
  r = run({"many" + sep(), "many.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_TRUE(same_bytes(read("many.lst"), expected));
}

TEST_F(BadInput, ThingsThatAreNoFiles) {
  VEROLT_POSIX_ONLY();
  // A socket found by a mask, named in a list and given to /calc: a file that cannot be opened.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = path("s.sock");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path) << "scratch path too long for a socket";
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  ::close(fd);
  ASSERT_EQ(bound, 0);
  make_dir("adir");
  RunResult r = run({"*.*", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(read("out.lst"),
            list_line("a.txt", kAbcSet2) + failed_line("s.sock") + ansi_line(kMaskSummary));
  expect_list_run("s.sock\na.txt\n", {"s.sock", "a.txt"});
  // A stream leaves each out, directories included, and goes on.
  write("names.lst", "adir\ns.sock\n/dev/null\na.txt\n");
  r = run({"/m", "/l:names.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  std::string stream;
  for (const std::string name : {"adir", "s.sock", "/dev/null"}) {
    stream += name + nl() + cannot_open_file(name);
  }
  EXPECT_EQ(r.out,
            stream + "a.txt" + nl() + std::string(kAbcSet2) + nl() + con(kListSummary) + nl());
  for (const std::string name : {"s.sock", "/dev/null"}) {
    r = run({"/calc", name});
    EXPECT_EQ(r.exitCode, 1) << r;
    EXPECT_EQ(r.err, error_box(kCannotOpenOne, name));
  }
  EXPECT_FALSE(exists("s.sock.hsh"));

  // A directory where the hash file should be: the hash file cannot be opened.
  make_dir("a.txt.hsh");
  for (const std::string mode : {"/check", "/info"}) {
    r = run({mode, "a.txt"});
    EXPECT_EQ(r.exitCode, 1) << r;
    EXPECT_EQ(r.err, error_box(kCannotOpenOne, "a.txt.hsh"));
  }

  // Block devices are hashed: an unattached loop device reads as empty data.
  for (int i = 0; i < 8; ++i) {
    const std::string device = "/dev/loop" + std::to_string(i);
    std::ifstream size("/sys/block/loop" + std::to_string(i) + "/size");
    std::string sectors;
    if (!(size >> sectors) || sectors != "0" || ::access(device.c_str(), R_OK) != 0) continue;
    r = run({device});
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, con_pair(device, kEmptySet2));
    return;
  }
  GTEST_SKIP() << "no empty, readable block device to hash";
}

TEST_F(BadInput, SparseFilePastFourGiB) {
  VEROLT_POSIX_ONLY();
  if (std::string(VEROLT_E2E_FAULT_LIBRARY).empty()) GTEST_SKIP() << "no fault library";
  // 4 GiB + 5 bytes, read for two pieces only: the percentages of the 64-bit sizes, scaled, are
  // 0.00% and 0.01%; a total cut to 32 bits (5 bytes) would show millions of per cent.
  std::ofstream(path("big.sparse")).close();
  fs::resize_file(path("big.sparse"), (std::uintmax_t{1} << 32) + 5);
  write("names.lst", "big.sparse\n");
  RunOptions options;
  options.stderrTerminal = true;
  options.env = {{"LD_PRELOAD", std::string(VEROLT_E2E_FAULT_LIBRARY)},
                 {"ASAN_OPTIONS", std::string("verify_asan_link_order=0")},
                 {"VEROLT_FAULT_READ", std::string("big:262144")}};
  for (const std::string source : {"/l:names.lst", "*.sparse"}) {
    const RunResult r = run({source}, options);
    EXPECT_EQ(r.exitCode, 2) << source << r;
    EXPECT_EQ(escape(r.err), escape("0.00%" + std::string(5, '\b') + "0.01%" + repeat("\b \b", 5)))
        << source;
    EXPECT_EQ(r.out, "big.sparse" + nl() + cannot_open_file("big.sparse") +
                         con(source == "*.sparse" ? kMaskSummary : kListSummary) + nl())
        << source;
  }
}

TEST_F(BadInput, FilesChangingAfterTheSelection) {
  VEROLT_POSIX_ONLY();
  // A stream verification waits for an answer after its first (missing) file; by then the list's
  // sizes are summed. Deleting the next file then makes it vanish between selection and hashing.
  write("b.bin", "abc");
  write("vanish.lst", "missing\nb.bin\n" + ansi(kTotalPrefix) + std::string(kEmptySet2) + "\n");
  RunResult r = run_paused({"/f:vanish.lst", "rep.txt"}, "rm b.bin", "y\\ny\\n", false);
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.err, cannot_open_box("missing") + cannot_open_box("b.bin"));
  EXPECT_EQ(read("rep.txt"),
            cannot_open_line("missing") + cannot_open_line("b.bin") + ansi_line(kListSummary));

  // A file that doubles after its size was summed: read to its new end, the progress running on
  // past 100%, and the stream hash covers all of it.
  write("big.bin", big_content());
  write("half.bin", big_content());
  write("double.bin", big_content() + big_content());
  r = run({"double.bin"});
  ASSERT_EQ(r.exitCode, 0) << r;
  const std::string doubled = r.out.substr(std::string("double.bin").size() + nl().size(), 64);
  write("grow.lst", "missing\nbig.bin\n" + ansi(kTotalPrefix) + doubled + "\n");
  r = run_paused({"/f:grow.lst"}, "cat half.bin >> big.bin", "y\\n", true);
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, con(kListSummary) + nl());
  const std::string b6(6, '\b'), b7(7, '\b');
  EXPECT_NE(r.err.find("43.69%" + b6 + "87.38%" + b6 + "131.07%" + b7 + "174.76%" + b7 + "200.00%" +
                       repeat("\b \b", 7)),
            std::string::npos)
      << r;
  EXPECT_EQ(r.err.find("Потоковый"), std::string::npos) << r;
}

TEST_F(BadInput, CommandLineExtremes) {
  // Thousands of arguments.
  std::vector<std::string> args(5000, "/h0");
  args.emplace_back("a.txt");
  RunResult r = run(args);
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet0));
  args.clear();
  for (int i = 0; i < 5000; ++i) args.push_back("x" + std::to_string(i));
  r = run(args);
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, extra_operand("x2"));

  // Arguments of 100,000 characters (30,000 on Windows, whose command line holds at most 32767):
  // a mask that matches nothing, an output file that cannot be created, a list that cannot be
  // opened.
  const std::string huge(target().windows ? 30000 : 100000, 'q');
  r = run({huge});
  EXPECT_EQ(r.exitCode, 100) << r;
  EXPECT_EQ(r.out, con(kNotFound) + nl());
  r = run({"a.txt", huge});
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.out, cannot_create(huge));
  r = run({"/l:" + huge});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_list(huge));

  // An empty name among the single-file names cannot be opened; the hash file before it stays.
  r = run({"/calc", "a.txt", ""});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(r.err, error_box(kCannotOpenOne, ""));
  EXPECT_EQ(read("a.txt.hsh"), kAbcSet2);

  // Masks that would take a backtracking matcher exponential time against a 250-byte name. (On
  // Windows the system's search matches.)
  if (target().windows) return;
  const std::string name(250, 'a');
  write(name, "abc");
  RunOptions quick;
  quick.timeout = std::chrono::seconds(20);
  for (const std::string& mask :
       {repeat("*a", 60) + "*b", repeat("*a", 60) + "*", repeat("?*", 120)}) {
    fs::remove(path("out.lst"));
    const auto start = std::chrono::steady_clock::now();
    r = run({mask, "out.lst"}, quick);
    const auto took = std::chrono::steady_clock::now() - start;
    const bool matches = mask.back() == '*';
    EXPECT_EQ(r.exitCode, matches ? 0 : 100) << r;
    EXPECT_EQ(read("out.lst"), matches ? list_line(name, kAbcSet2) : ansi_line(kNotFound));
    EXPECT_LT(took, std::chrono::seconds(2)) << mask;
  }
}

TEST_F(BadInput, UnprivilegedUser) {
  VEROLT_POSIX_ONLY();
  ::chmod(dir().c_str(), 0777);
  make_reachable_copy();
  const RunResult probe = run_unprivileged({});
  if (probe.exitCode != 100) {
    GTEST_SKIP() << "the program cannot be run as an unprivileged user (setpriv, or no directory "
                    "that user can reach for a copy of the program)"
                 << probe;
  }
  write("b.txt", "abc");
  write("secret.txt", "abc");
  ::chmod(path("secret.txt").c_str(), 0);
  write("names.lst", "a.txt\nsecret.txt\nb.txt\n");
  make_dir("ro");
  write("ro/c.txt", "abc");
  ::chmod(path("ro").c_str(), 0555);

  // An unreadable file is a file that cannot be opened; the others are hashed.
  RunResult r = run_unprivileged({"*.txt", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(read("out.lst"), list_line("a.txt", kAbcSet2) + list_line("b.txt", kAbcSet2) +
                                 failed_line("secret.txt") + ansi_line(kMaskSummary));
  r = run_unprivileged({"/calc", "secret.txt"});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(r.err, error_box(kCannotOpenOne, "secret.txt"));
  // An unreadable list.
  ::chmod(path("names.lst").c_str(), 0);
  r = run_unprivileged({"/l:names.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_list("names.lst"));

  // Outputs in a read-only directory.
  r = run_unprivileged({"a.txt", "ro/out.lst"});
  EXPECT_EQ(r.exitCode, 3) << r;
  EXPECT_EQ(r.out, cannot_create("ro/out.lst"));
  EXPECT_FALSE(exists("ro/out.lst"));
  r = run_unprivileged({"/calc", "a.txt", "ro/c.txt", "b.txt"});
  EXPECT_EQ(r.exitCode, 1) << r;
  EXPECT_EQ(r.err, error_box(kCannotWriteOne, "ro/c.txt.hsh"));
  EXPECT_EQ(read("a.txt.hsh"), kAbcSet2);
  EXPECT_FALSE(exists("b.txt.hsh"));
  ::chmod(path("ro").c_str(), 0755);  // so that the next run can wipe the scratch directory

  // A user who may start no further thread still gets every hash, in place.
  if (::geteuid() == 0) {
    write("two.lst", "a.txt\nb.txt\n");
    // The leak checker of the test build needs a thread of its own at exit.
    r = run_unprivileged({"/l:two.lst"}, {"prlimit", "--nproc=1", "env", "VEROLT_THREADS=4",
                                          "ASAN_OPTIONS=detect_leaks=0"});
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, con_pair("a.txt", kAbcSet2) + con_pair("b.txt", kAbcSet2));
  }
}

}  // namespace
}  // namespace verolt::e2e
