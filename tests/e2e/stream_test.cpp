// Stream hashes (/m): one value over the selected files taken as one data stream, the stream hash
// list that holds it, and that list read back as a name list.
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "expected.h"
#include "runner.h"

namespace verolt::e2e {
namespace {

class StreamHash : public E2ETest {
 protected:
  // The value the program prints for one file hashed on its own (p1 on the console ends with a
  // blank that files do not have).
  std::string single_hash(const std::vector<std::string>& options, const std::string& name) const {
    std::vector<std::string> args = options;
    args.push_back(name);
    const RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    const std::string head = con_name(name) + nl();
    if (r.out.rfind(head, 0) != 0 || r.out.size() < head.size() + nl().size()) {
      ADD_FAILURE() << r;
      return {};
    }
    return r.out.substr(head.size(), r.out.size() - head.size() - nl().size());
  }
};

TEST_F(StreamHash, EqualsTheHashOfTheConcatenation) {
  // Sizes around the 32-byte block and the 131072-byte read piece, and empty files between.
  std::mt19937 rng(20240611);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible sizes
  const std::vector<std::size_t> sizes = {
      0, 1 + rng() % 31, 32 * (1 + rng() % 8), 131073 + rng() % 200, 0, 33 + rng() % 5000};
  std::string forward;
  std::string backward;
  std::string forwardNames;
  std::string backwardNames;
  std::string backwardConsole;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::string bytes(sizes[i], '\0');
    for (char& c : bytes) c = static_cast<char>(rng() & 0xFF);
    const std::string name = "f" + std::to_string(i) + ".bin";
    write(name, bytes);
    forward += bytes;
    backward.insert(0, bytes);
    forwardNames += name + std::string(kCrLf);
    backwardNames.insert(0, name + std::string(kCrLf));
    backwardConsole.insert(0, con_name(name) + nl());
  }
  write("cat/forward", forward);
  write("cat/backward", backward);
  write("names.lst", backwardNames);

  struct Case {
    std::vector<std::string> options;
    std::size_t totalLength;
  };
  for (const Case& c : std::vector<Case>{{{}, 77}, {{"/h0", "/p1"}, 92}, {{"/h1"}, 77}}) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    const std::string forwardValue = single_hash(c.options, p({"cat", "forward"}));
    const std::string backwardValue = single_hash(c.options, p({"cat", "backward"}));
    ASSERT_NE(forwardValue, backwardValue);
    // Mask source, sorted order.
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"/m", "f?.bin", "mask" + std::to_string(c.options.size()) + ".out"});
    RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    const std::string maskList = read(args.back());
    const std::string fileValue = forwardValue.substr(0, forwardValue.find_last_not_of(' ') + 1);
    EXPECT_EQ(maskList, forwardNames + total_line(fileValue));
    const std::size_t lastLine = maskList.rfind(kCrLf, maskList.size() - kCrLf.size() - 1);
    EXPECT_EQ(maskList.size() - lastLine - 2 * kCrLf.size(), c.totalLength);
    // List source, the list's order; the console shows the names and the bare value.
    args = c.options;
    args.insert(args.end(), {"/m", "/l:names.lst"});
    r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(r.out, backwardConsole + backwardValue + nl());
    EXPECT_EQ(r.err, "");
  }
  // The total line's label, byte for byte.
  EXPECT_EQ(read("mask0.out").substr(forwardNames.size(), 13),
            "\xCF\xEE\xEB\xED\xFB\xE9\x20\xF5\xFD\xF8\x20\x3D\x20");
}

TEST_F(StreamHash, KnownValuesOverSplitMessages) {
  // The 32- and 50-byte messages of the standard, cut mid-block, with an empty piece between.
  write("m1", kMessage32.substr(0, 17));
  write("m2", "");
  write("m3", kMessage32.substr(17));
  write("n1", kMessage50.substr(0, 40));
  write("n2", kMessage50.substr(40));
  RunResult r = run({"/h0", "/m", "m?", "m.out"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("m.out"), "m1\r\nm2\r\nm3\r\n" + total_line(kMessage32Set0));
  r = run({"/h0", "/m", "n?"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out,
            con_name("n1") + nl() + con_name("n2") + nl() + std::string(kMessage50Set0) + nl());
}

TEST_F(StreamHash, MissingFileLeavesExactlyItsContentOut) {
  write("a.txt", "ab");
  write("c.txt", "c");
  write("names.lst", "a.txt\r\nmissing.txt\r\nc.txt\r\n");
  RunResult r = run({"/m", "/l:names.lst", "out.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, cannot_open_file("missing.txt") + con(kListSummary) + nl() + created("out.lst"));
  EXPECT_EQ(read("out.lst"), "a.txt\r\nmissing.txt\r\n" + ansi(kCannotOpenListed) +
                                 "missing.txt\r\nc.txt\r\n" + total_line(kAbcSet2) +
                                 ansi_line(kListSummary));
  r = run({"/m", "/l:names.lst"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(r.out, con_name("a.txt") + nl() + con_name("missing.txt") + nl() +
                       cannot_open_file("missing.txt") + con_name("c.txt") + nl() +
                       std::string(kAbcSet2) + nl() + con(kListSummary) + nl());
  if (target().windows) return;
  // From a mask: a dangling link is found but cannot be opened; the mask form of the summary.
  make_symlink("nowhere", "b.txt");
  r = run({"/m", "*.txt", "mask.out"});
  EXPECT_EQ(r.exitCode, 2) << r;
  EXPECT_EQ(read("mask.out"), "a.txt\r\nb.txt\r\n" + ansi(kCannotOpenListed) +
                                  "b.txt\r\nc.txt\r\n" + total_line(kAbcSet2) +
                                  ansi_line(kMaskSummary));
}

TEST_F(StreamHash, EmptySelectionGivesTheEmptyDataHash) {
  write("empty.lst", "");
  RunResult r = run({"/m", "/l:empty.lst", "out.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, created("out.lst"));
  EXPECT_EQ(read("out.lst"), total_line(kEmptySet2));
  // The mask matches only the output file, which is left out.
  r = run({"/m", "*.out", "only.out"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(read("only.out"), total_line(kEmptySet2));
  r = run({"/h0", "/m", "/l:empty.lst"});
  EXPECT_EQ(r.exitCode, 0) << r;
  EXPECT_EQ(r.out, std::string(kEmptySet0) + nl());
}

TEST_F(StreamHash, ListGivenBackReproducesNamesAndValue) {
  write("a.txt", "abc");
  write("b.txt", big_content());
  write("names.lst", "b.txt\r\na.txt\r\n");
  for (const std::vector<std::string>& options :
       std::vector<std::vector<std::string>>{{}, {"/p1", "/h1"}}) {
    SCOPED_TRACE(::testing::PrintToString(options));
    std::vector<std::string> args = options;
    args.insert(args.end(), {"/m", "/l:names.lst", "first.out"});
    std::filesystem::remove(path("first.out"));
    RunResult r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    // The total line ends the names: what follows it is never read.
    write("given.lst", read("first.out") + "missing.txt\r\n");
    args = options;
    args.insert(args.end(), {"/m", "/l:given.lst", "second.out"});
    std::filesystem::remove(path("second.out"));
    r = run(args);
    EXPECT_EQ(r.exitCode, 0) << r;
    EXPECT_EQ(read("second.out"), read("first.out"));
  }
  // A p1 total line is no total line for a p2 run: a name that cannot be opened.
  const std::string p1List = read("first.out");
  const std::size_t totalAt = p1List.find(ansi("Полный"));
  const std::string totalAsName = p1List.substr(totalAt, p1List.size() - kCrLf.size() - totalAt);
  const RunResult r = run({"/h1", "/m", "/l:first.out", "third.out"});
  EXPECT_EQ(r.exitCode, 2) << r;
  const std::string third = read("third.out");
  const std::string head = p1List + ansi(kCannotOpenListed) + totalAsName + std::string(kCrLf);
  EXPECT_EQ(third.substr(0, head.size()), head);
  EXPECT_EQ(third.size(), head.size() + 77 + 2 * kCrLf.size() + ansi(kListSummary).size());
}

// /m with /t: does not verify the hash list: it hashes the stream of the files its lines name,
// whatever values they hold, as /m with /l: of the same list does.
TEST_F(StreamHash, OverTheNamesOfAHashList) {
  write("m1", kMessage32.substr(0, 17));
  write("m2", "");
  write("m3", kMessage32.substr(17));
  ASSERT_EQ(run({"/h0", "m?", "h0.lst"}).exitCode, 0);
  ASSERT_EQ(run({"/h1", "/p1", "m?", "h1p1.lst"}).exitCode, 0);
  ASSERT_EQ(run({"/h0", "/m", "m?", "stream.lst"}).exitCode, 0);
  const std::string names = con_name("m1") + nl() + con_name("m2") + nl() + con_name("m3") + nl();
  const std::string streamList = "m1\r\nm2\r\nm3\r\n" + total_line(kMessage32Set0);
  EXPECT_EQ(read("stream.lst"), streamList);
  const std::string summary = ansi(kMaskSummary);
  struct Case {
    const char* what;
    std::string list;  // empty: the list written above under the name `listName`
    std::string listName;
    int exitCode;
    std::string out;  // without an output file
  };
  const std::vector<Case> cases = {
      {"its own values", "", "h0.lst", 0, names + std::string(kMessage32Set0) + nl()},
      // Values of another function and print format are no values of this run: only names.
      {"other values", "", "h1p1.lst", 0, names + std::string(kMessage32Set0) + nl()},
      // Its total line ends the names; what follows is never read.
      {"a stream list", streamList + "missing\r\n", "given.lst", 0,
       names + std::string(kMessage32Set0) + nl()},
      // A failed list: the file recorded as not opened and the trailer are names that cannot
      // be opened; the run ends with the summary of a list.
      {"a failed list",
       list_line("m1", kAbcSet2) + "gone\t" + ansi_line(kOpenFailure) + "m2\r\n" +
           list_line("m3", kAbcSet2) + ansi_line(kMaskSummary),
       "failed.lst", 2,
       con_name("m1") + nl() + con_name("gone") + nl() + cannot_open_file("gone") + con_name("m2") +
           nl() + con_name("m3") + nl() + con_shown(summary) + nl() + cannot_open_shown(summary) +
           std::string(kMessage32Set0) + nl() + con(kListSummary) + nl()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.list.empty()) write(c.listName, c.list);
    const std::string list = read(c.listName);
    RunResult r = run({"/h0", "/m", "/t:" + c.listName});
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    EXPECT_EQ(escape(r.out), escape(c.out));
    EXPECT_EQ(r.err, "");
    // The same as the list's names taken by /l:, in either order of the options.
    const RunResult byNames = run({"/l:" + c.listName, "/m", "/h0"});
    EXPECT_EQ(byNames.exitCode, r.exitCode) << byNames;
    EXPECT_EQ(escape(byNames.out), escape(r.out));
    r = run({"/t:" + c.listName, "/h0", "/M"});
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    EXPECT_EQ(escape(r.out), escape(c.out));
    // Into a stream list, which verifies; the hash list is left as it was.
    std::filesystem::remove(path("out.lst"));
    r = run({"/h0", "/m", "/t:" + c.listName, "out.lst"});
    EXPECT_EQ(r.exitCode, c.exitCode) << r;
    std::filesystem::remove(path("by-names.lst"));
    EXPECT_EQ(run({"/h0", "/m", "/l:" + c.listName, "by-names.lst"}).exitCode, c.exitCode);
    EXPECT_EQ(escape(read("out.lst")), escape(read("by-names.lst")));
    EXPECT_EQ(read(c.listName), list);
    if (c.exitCode == 0) {
      EXPECT_EQ(r.out, created("out.lst"));
      EXPECT_EQ(read("out.lst"), streamList);
      const RunResult check = run({"/h0", "/f:out.lst"});
      EXPECT_EQ(check.exitCode, 0) << check;
      EXPECT_EQ(check.out + check.err, "");
    } else {
      EXPECT_EQ(r.out, cannot_open_file("gone") + cannot_open_shown(summary) + con(kListSummary) +
                           nl() + created("out.lst"));
      EXPECT_EQ(escape(read("out.lst")),
                escape("m1\r\ngone\r\n" + cannot_open_line("gone") + "m2\r\nm3\r\n" + summary +
                       std::string(kCrLf) + cannot_open_line(summary) + total_line(kMessage32Set0) +
                       ansi_line(kListSummary)));
    }
  }
}

}  // namespace
}  // namespace verolt::e2e
