#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "files/enumeration.h"
#include "platform/file_names.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using verolt::files::compare_entries;
using verolt::files::entry_path;
using verolt::files::Exclusions;
using verolt::files::FileEntry;
using verolt::files::FileTable;
using verolt::files::find_files;
using verolt::files::split_target;
using verolt::files::WalkOptions;
using verolt::platform::kSeparator;

WalkOptions recursive() {
  WalkOptions options;
  options.recurse = true;
  return options;
}

// A path written with "/" in the platform's separator.
std::string native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kSeparator);
  return path;
}

TEST(SplitTarget, PrefixUpToTheLastSeparator) {
  struct Case {
    std::string target, prefix, mask;
  };
  const std::vector<Case> cases = {
      {"*.*", "", "*.*"},
      {"", "", "*.*"},
      {"a.txt", "", "a.txt"},
      {native("dir/*.txt"), native("dir/"), "*.txt"},
      {native("dir/sub/"), native("dir/sub/"), "*.*"},
      {native("/abs/path/f?.bin"), native("/abs/path/"), "f?.bin"},
      {native("/"), native("/"), "*.*"},
      {native("dir/sub"), native("dir/"), "sub"},
  };
  for (const Case& c : cases) {
    const auto target = split_target(c.target);
    EXPECT_EQ(target.prefix, c.prefix) << c.target;
    EXPECT_EQ(target.mask, c.mask) << c.target;
  }
#ifdef _WIN32
  EXPECT_EQ(split_target("C:\\dir/x*.*").prefix, "C:\\dir/");
  EXPECT_EQ(split_target("C:*.txt").prefix, "");
#else
  // The backslash is an ordinary character of POSIX names.
  EXPECT_EQ(split_target("dir\\x*.*").prefix, "");
  EXPECT_EQ(split_target("a\\b/c").prefix, "a\\b/");
#endif
}

// Entries given as directory and name, with "/" for the separator.
using Names = std::vector<std::pair<std::string, std::string>>;

FileTable table_of(const Names& names) {
  FileTable table;
  for (const auto& [dir, name] : names) table.add_file(table.add_directory(native(dir)), name, 0);
  return table;
}

std::vector<std::string> relative_paths(const FileTable& table) {
  std::vector<std::string> paths;
  paths.reserve(table.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    std::string path = entry_path("", table[i]);
    std::replace(path.begin(), path.end(), kSeparator, '/');
    paths.push_back(path);
  }
  return paths;
}

// A relative path written as directory, "/" and name, without the "/" at the top.
std::string trimmed(const std::string& path) { return path.front() == '/' ? path.substr(1) : path; }

std::vector<std::string> sorted(const Names& names) {
  FileTable table = table_of(names);
  table.sort();
  return relative_paths(table);
}

TEST(SortEntries, FoldsAsciiLettersOnly) {
  EXPECT_EQ(sorted({{"", "B.txt"}, {"", "a.txt"}, {"", "_x"}}),
            (std::vector<std::string>{"_x", "a.txt", "B.txt"}));

  // The separator sorts as a backslash: after digits and the dot, before letters and "_".
  EXPECT_EQ(
      sorted({{"", "ab.txt"}, {"", "a_b.txt"}, {"a", "b.txt"}, {"", "a1.txt"}, {"", "a.txt"}}),
      (std::vector<std::string>{"a.txt", "a1.txt", "a/b.txt", "a_b.txt", "ab.txt"}));
  EXPECT_EQ(sorted({{"a", "z"}, {"", "a["}, {"", "a]"}, {"a/b", "c"}}),
            (std::vector<std::string>{"a[", "a/b/c", "a/z", "a]"}));

  // Windows-1251 Cyrillic: capitals (0xC0-0xDF) before small letters (0xE0-0xFF), not folded.
  EXPECT_EQ(sorted({{"", "\xE0"}, {"", "\xDF"}, {"", "\xC0"}, {"", "z"}}),
            (std::vector<std::string>{"z", "\xC0", "\xDF", "\xE0"}));

  // A prefix sorts first, also across directory levels.
  EXPECT_EQ(sorted({{"a", "x"}, {"", "a"}, {"", "A.txt"}}),
            (std::vector<std::string>{"a", "A.txt", "a/x"}));
}

TEST(SortEntries, NamesEqualUnderFoldingOrderByBytes) {
  const std::vector<std::string> expected = {"ABC", "AbC", "Abc", "aBc", "abc", "abd"};
  Names names;
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) names.emplace_back("", *it);
  EXPECT_EQ(sorted(names), expected);
  EXPECT_EQ(sorted({{"Sub", "a"}, {"sub", "a"}, {"SUB", "a"}}),
            (std::vector<std::string>{"SUB/a", "Sub/a", "sub/a"}));

  const std::string d = native("d");
  const FileEntry a{d, "x", 0};
  const FileEntry b{"", "d", 0};
  EXPECT_EQ(compare_entries(a, a), 0);
  EXPECT_LT(compare_entries(b, a), 0);
  EXPECT_GT(compare_entries(a, b), 0);
}

// The order by whole keys, built as plainly as can be: the sort reads keys in pieces and must
// agree with it on every kind of name.
std::string whole_key(const std::string& dir, const std::string& name) {
  std::string key = verolt::platform::name_sort_form(dir);
  if (!dir.empty()) key += '\\';
  key += verolt::platform::name_sort_form(name);
  for (char& c : key) {
    if (c == kSeparator) c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

bool bytes_before(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

TEST(SortEntries, AgreesWithWholeKeysOnTrickyNames) {
  // Pieces that meet the backslash and the edges of eight-byte chunks, fold, convert or do not.
  std::vector<std::string> parts;
  std::istringstream pieces(
      "a A b _ 1 . [ ~ abcdefg ABCDEFGH abcdefgh abcdefghi "
      "\xD0\x90 \xD0\xB0 \xD1\x8F \xE2\x82\xAC \xE4\xB8\xAD \xFF \xC0");
  for (std::string piece; pieces >> piece;) parts.push_back(piece);
#ifndef _WIN32
  const std::vector<std::string> extra = {"\\", "a\\b"};
#else
  const std::vector<std::string> extra;
#endif
  std::mt19937 random(7);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible names
  const auto word = [&](std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t pick = random() % (parts.size() + extra.size());
      text += pick < parts.size() ? parts[pick] : extra[pick - parts.size()];
    }
    return text;
  };
  std::vector<std::string> dirs = {"", native("abcdefg"), native("abcdefg/h"), native("ABCDEFG/H")};
  for (int i = 0; i < 12; ++i) dirs.push_back(word(1 + random() % 3));
  for (int i = 0; i < 12; ++i) dirs.push_back(dirs[random() % dirs.size()] + kSeparator + word(1));

  struct Entry {
    std::string dir, name;
    std::uint64_t size;
  };
  std::vector<Entry> entries;
  FileTable table;
  while (entries.size() < 3000) {
    // Files come in runs of one directory, as a walk adds them; a directory may come again under
    // another number, and a name may come twice. The size tells the order they came in.
    const std::string& dir = dirs[random() % dirs.size()];
    const std::uint32_t number = table.add_directory(dir);
    for (std::size_t n = 1 + random() % 3; n > 0; --n) {
      std::string name = word(1 + random() % 4);
      if (!entries.empty() && random() % 10 == 0) name = entries[random() % entries.size()].name;
      entries.push_back({dir, name, entries.size()});
      table.add_file(number, name, entries.back().size);
    }
  }
  table.sort();

  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const std::string keyA = whole_key(a.dir, a.name);
    const std::string keyB = whole_key(b.dir, b.name);
    if (keyA != keyB) return bytes_before(keyA, keyB);
    const std::string plainA = entry_path("", FileEntry{a.dir, a.name, 0});
    const std::string plainB = entry_path("", FileEntry{b.dir, b.name, 0});
    return bytes_before(plainA, plainB);
  });
  ASSERT_EQ(table.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const FileEntry got = table[i];
    ASSERT_EQ(got.dir, entries[i].dir) << i;
    ASSERT_EQ(got.name, entries[i].name) << i;
    ASSERT_EQ(got.size, entries[i].size) << i;  // equal paths in the order they came in
    if (i > 0) {
      const FileEntry before = table[i - 1];
      ASSERT_LE(compare_entries(before, got), 0) << i;
      ASSERT_GE(compare_entries(got, before), 0) << i;
    }
  }

  // A table in order but for one pair, as a walk may leave it, is put right; one in order stays.
  // Half the pairs straddle two directories.
  std::vector<std::size_t> straddling;
  for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
    if (entries[i].dir != entries[i + 1].dir) straddling.push_back(i);
  }
  for (int round = 0; round < 40; ++round) {
    const std::size_t swapped = round == 0       ? entries.size()
                                : round % 2 != 0 ? straddling[random() % straddling.size()]
                                                 : random() % (entries.size() - 1);
    FileTable nearly;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i == swapped ? i + 1 : i == swapped + 1 ? i - 1 : i];
      nearly.add_file(nearly.add_directory(e.dir), e.name, e.size);
    }
    nearly.sort();
    // Two equal paths keep the order they came in, swapped or not.
    for (std::size_t i = 0; i < entries.size(); ++i) {
      ASSERT_EQ(nearly[i].dir, entries[i].dir) << swapped;
      ASSERT_EQ(nearly[i].name, entries[i].name) << swapped;
    }
  }
}

TEST(SortEntries, TwoEntriesOutOfOrderAreSwapped) {
  // Each pair comes in the wrong order; a table that looks in order is left as it is.
  const std::vector<Names> cases = {
      {{"b", "a"}, {"a", "b"}},                  // the directories decide
      {{"a", "c"}, {"a/b", "x"}},                // one directory inside the other
      {{"d", "abcdefghZ"}, {"d", "abcdefgha"}},  // past the first eight bytes
      {{"", "ABCDEFGH_"}, {"", "abcdefgh"}},     // a key that ends at a chunk's edge
      {{"", "b"}, {"", "B"}},                    // equal keys, plain bytes
      {{"x", "\xD1\x8F"}, {"x", "\xD0\x90"}},    // sort forms
  };
  for (const Names& names : cases) {
    const std::string first = names[0].first + "/" + names[0].second;
    const std::string second = names[1].first + "/" + names[1].second;
    EXPECT_EQ(sorted(names), (std::vector<std::string>{trimmed(second), trimmed(first)}));
  }
}

TEST(FileTable, SortsARangeAmongItselfOnly) {
  FileTable table = table_of({{"", "z"}, {"", "c"}, {"d", "a"}, {"", "b"}, {"", "a"}});
  table.sort(1, 4);
  EXPECT_EQ(relative_paths(table), (std::vector<std::string>{"z", "b", "c", "d/a", "a"}));
  table.sort(3, 99);
  EXPECT_EQ(relative_paths(table), (std::vector<std::string>{"z", "b", "c", "a", "d/a"}));
}

TEST(FileTable, RemovesWhatIsDroppedAndKeepsTheRestInOrder) {
  FileTable table = table_of({{"", "c"}, {"d", "a"}, {"", "a"}, {"", "b"}, {"d", "b"}});
  table.sort();
  table.remove_if([](const FileEntry& e) { return e.name == "a"; });
  EXPECT_EQ(relative_paths(table), (std::vector<std::string>{"b", "c", "d/b"}));
  table.remove_if([](const FileEntry&) { return true; });
  EXPECT_TRUE(table.empty());
  // A table emptied takes new files again.
  table.add_file(table.add_directory(""), "n", 5);
  EXPECT_EQ(relative_paths(table), (std::vector<std::string>{"n"}));
  EXPECT_EQ(table.total_size(), 5U);
}

TEST(EntryPath, JoinsPrefixDirAndName) {
  const std::string deeper = native("sub/deeper");
  EXPECT_EQ(entry_path(native("C/x/"), FileEntry{deeper, "f.txt", 0}),
            native("C/x/sub/deeper/f.txt"));
  EXPECT_EQ(entry_path(native("../"), FileEntry{"", "f.txt", 0}), native("../f.txt"));
  EXPECT_EQ(entry_path("", FileEntry{"", "f.txt", 0}), "f.txt");
  std::string reused = "a longer text that was there before";
  entry_path("", FileEntry{"d", "f", 0}, reused);
  EXPECT_EQ(reused, native("d/f"));
}

// Each exclusion mask against relative paths, both through the whole path, as a listed name is
// tested, and part by part, as the walk tests the names it meets: the two must agree.
TEST(Exclusions, MasksAgainstRelativePaths) {
  struct Case {
    const char* mask;
    const char* path;  // "/" for the separator
    bool excluded;
  };
  const std::vector<Case> cases = {
      // Without "/": the last part, at any depth, and every directory on the way.
      {"*.log", "sub/deep/a.log", true},
      {"*.LOG", "sub/A.log", true},
      {"build", "build/deep/x.c", true},
      {"build", "builder/x.c", false},
      {"a?c", "d/abc", true},
      {"a*c", "a/c", false},
      // With "/": the whole path from the start, "*" and "?" within one part.
      {"SRC/*.c", "src/a.C", true},
      {"src/*.c", "x/src/a.c", false},
      {"src/*.c", "src/sub/a.c", false},
      {"*/b", "a/b/c", true},
      {"*/b", "a/c/b", false},
      {"src/x", "src", false},
      // A leading "./" or "/" names the top; a trailing "/" is no part of its own.
      {"./top.txt", "top.txt", true},
      {"./top.txt", "d/top.txt", false},
      {"/top.txt", "top.txt", true},
      {"d/", "d/f", true},
      // Nothing else is special.
      {"*.*", "noext", false},
  };
  for (const Case& c : cases) {
    const Exclusions exclusions({c.mask});
    const std::string path = native(c.path);
    EXPECT_EQ(exclusions.excludes(path), c.excluded) << c.mask << " vs " << c.path;
    EXPECT_EQ(exclusions.excludes(c.path), c.excluded) << c.mask << " vs " << c.path;
    bool walked = false;
    Exclusions::Place place = exclusions.top();
    std::istringstream parts(c.path);
    for (std::string part; !walked && std::getline(parts, part, '/');) {
      walked = place.excludes(part);
      place = place.below(part);
    }
    EXPECT_EQ(walked, c.excluded) << c.mask << " vs " << c.path << ", part by part";
  }
}

// A scratch directory that disappears with the test.
class TempTree {
 public:
  TempTree() : root_(unique_root()) { fs::create_directories(root_); }
  ~TempTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  void file(const std::string& relative, std::size_t size = 0) const {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
  }
  void dir(const std::string& relative) const { fs::create_directories(root_ / relative); }
  void files(const std::string& dir, std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i) {
      file(dir + "/f" + std::to_string(i));
    }
  }
  const fs::path& root() const { return root_; }
  // The directory prefix of the tree: its path and a separator.
  std::string prefix() const { return root_.string() + kSeparator; }

 private:
  static fs::path unique_root() {
    std::random_device seed;
    return fs::temp_directory_path() / ("verolt_enum_" + std::to_string(seed()));
  }

  fs::path root_;
};

FileTable find_sorted(const TempTree& tree, const std::string& mask, const WalkOptions& options,
                      int* dots = nullptr) {
  const std::string prefix = tree.prefix();
  FileTable entries = find_files(mask, prefix, prefix.size(), options, [dots] {
    if (dots != nullptr) {
      ++*dots;
    }
  });
  entries.sort();
  return entries;
}

// The entry of that name; a name that is not there fails the test.
FileEntry named(const FileTable& table, std::string_view name) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].name == name) return table[i];
  }
  ADD_FAILURE() << "no " << name;
  return {};
}

class FindFiles : public testing::Test {
 protected:
  void SetUp() override {
    tree_.file("B.txt", 3);
    tree_.file("a.txt", 1);
    tree_.file("_x");
    tree_.file(".hidden", 7);
    tree_.file("notes.md");
    tree_.file("sub/c.txt", 2);
    tree_.file("sub/deeper/d.txt");
    tree_.file("sub/.dotdir/skipped.txt");
    tree_.file("sub.txt/e.dat");
    tree_.file(".git/config");
    tree_.dir("empty");
  }

  TempTree tree_;
};

TEST_F(FindFiles, TopLevelOnlyWithoutRecursion) {
  const auto entries = find_sorted(tree_, "*.*", {});
  EXPECT_EQ(relative_paths(entries),
            (std::vector<std::string>{".hidden", "_x", "a.txt", "B.txt", "notes.md"}));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].dir, "");
  }
  EXPECT_EQ(entries[0].size, 7U);
  EXPECT_EQ(entries[3].size, 3U);
}

TEST_F(FindFiles, RecursionSkipsDotDirectories) {
  const auto entries = find_sorted(tree_, "*.*", recursive());
  EXPECT_EQ(relative_paths(entries),
            (std::vector<std::string>{".hidden", "_x", "a.txt", "B.txt", "notes.md",
                                      "sub.txt/e.dat", "sub/c.txt", "sub/deeper/d.txt"}));
  const FileEntry deep = named(entries, "d.txt");
  EXPECT_EQ(deep.dir, native("sub/deeper"));
  EXPECT_TRUE(fs::is_regular_file(entry_path(tree_.prefix(), deep)));
}

TEST_F(FindFiles, MaskAppliesOnlyInTheStartingDirectory) {
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.txt", recursive())),
            (std::vector<std::string>{"a.txt", "B.txt", "sub.txt/e.dat"}));
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.TXT", {})),
            (std::vector<std::string>{"a.txt", "B.txt"}));
  // A target naming a directory: nothing without recursion, its whole tree with it.
  EXPECT_TRUE(find_sorted(tree_, "sub", {}).empty());
  EXPECT_EQ(relative_paths(find_sorted(tree_, "sub", recursive())),
            (std::vector<std::string>{"sub/c.txt", "sub/deeper/d.txt"}));
  EXPECT_TRUE(find_sorted(tree_, "nothing*", recursive()).empty());
}

TEST_F(FindFiles, PrefixLengthCutsTheRelativePart) {
  // The parent of the tree is the typed prefix; the tree's own name becomes part of dir.
  const std::string parent = tree_.root().parent_path().string() + kSeparator;
  const std::string own = tree_.root().filename().string();
  FileTable entries = find_files("*.*", tree_.prefix(), parent.size(), recursive());
  entries.sort();
  ASSERT_EQ(entries.size(), 8U);
  EXPECT_EQ(entries[0].dir, own);
  EXPECT_EQ(entries[0].name, ".hidden");
  const FileEntry dat = named(entries, "e.dat");
  EXPECT_EQ(dat.dir, own + kSeparator + "sub.txt");
  EXPECT_EQ(entry_path(parent, dat), tree_.prefix() + native("sub.txt/e.dat"));
}

TEST(FindFilesErrors, MissingDirectoryGivesNothing) {
  TempTree tree;
  const std::string missing = tree.prefix() + "missing" + kSeparator;
  std::vector<std::string> unreadable;
  EXPECT_TRUE(
      find_files("*.*", missing, missing.size(), recursive(), nullptr, &unreadable).empty());
  EXPECT_TRUE(find_files("*.*", tree.prefix(), tree.prefix().size(), recursive()).empty());
#ifndef _WIN32
  // A file where a directory is expected holds nothing either.
  tree.file("plain");
  const std::string file = tree.prefix() + "plain" + kSeparator;
  EXPECT_TRUE(find_files("*.*", file, file.size(), recursive(), nullptr, &unreadable).empty());
#endif
  // Neither is a directory that cannot be read.
  EXPECT_EQ(unreadable, std::vector<std::string>{});
}

// The longest path the system takes for a directory to search, with room for a mask.
#ifdef _WIN32
constexpr std::size_t kPathLimit = 260;  // the ANSI file API
#else
constexpr std::size_t kPathLimit = PATH_MAX;
#endif

// `prefix` lengthened with "." steps to `length` (or one more), still naming the same directory.
std::string lengthened(std::string prefix, std::size_t length) {
  while (prefix.size() < length) {
    prefix += '.';
    prefix += kSeparator;
  }
  return prefix;
}

TEST_F(FindFiles, DirectoriesTheSystemCannotSearchAreReported) {
  // Too long a path is the failure every user meets alike, root included.
  const std::string tooLong(40, 'l');
  tree_.file(tooLong + "/f");
  const std::string prefix = lengthened(tree_.prefix(), kPathLimit - 24);
  std::vector<std::string> unreadable;
  FileTable entries = find_files("*.*", prefix, prefix.size(), recursive(), nullptr, &unreadable);
  entries.sort();
  // Only the directory whose path is too long is lost; the dot directory is not tried.
  EXPECT_EQ(unreadable, std::vector<std::string>{tooLong});
  EXPECT_EQ(relative_paths(entries),
            (std::vector<std::string>{".hidden", "_x", "a.txt", "B.txt", "notes.md",
                                      "sub.txt/e.dat", "sub/c.txt", "sub/deeper/d.txt"}));

  // The starting directory itself, named by the empty relative path.
  const std::string start = lengthened(tree_.prefix(), kPathLimit + 8);
  unreadable.clear();
  EXPECT_TRUE(find_files("*.*", start, start.size(), recursive(), nullptr, &unreadable).empty());
  EXPECT_EQ(unreadable, std::vector<std::string>{""});
}

TEST_F(FindFiles, DotDirectoriesAndExclusions) {
  const std::vector<std::string> top = {".hidden", "_x", "a.txt", "B.txt", "notes.md"};
  WalkOptions options = recursive();
  options.dotDirectories = true;
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.*", options)),
            (std::vector<std::string>{".git/config", ".hidden", "_x", "a.txt", "B.txt", "notes.md",
                                      "sub.txt/e.dat", "sub/.dotdir/skipped.txt", "sub/c.txt",
                                      "sub/deeper/d.txt"}));
  options.recurse = false;
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.*", options)), top);

  options.recurse = true;
  options.exclusions = Exclusions({"*.md", "DEEPER", "./.git", "sub.txt/e.dat", "sub/.dotdir/*"});
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.*", options)),
            (std::vector<std::string>{".hidden", "_x", "a.txt", "B.txt", "sub/c.txt"}));
  // The files at the top of a walk without recursion are left out alike.
  options.recurse = false;
  options.exclusions = Exclusions({"?.txt", "sub/c.txt"});
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.*", options)),
            (std::vector<std::string>{".hidden", "_x", "notes.md"}));

  // An excluded directory is not even searched: one whose path is too long is not reported.
  const std::string tooLong(40, 'l');
  tree_.file(tooLong + "/f");
  const std::string prefix = lengthened(tree_.prefix(), kPathLimit - 24);
  options = recursive();
  options.exclusions = Exclusions({"./" + tooLong});
  std::vector<std::string> unreadable;
  EXPECT_EQ(find_files("*.*", prefix, prefix.size(), options, nullptr, &unreadable).size(), 8U);
  EXPECT_EQ(unreadable, std::vector<std::string>{});
}

#ifndef _WIN32
TEST_F(FindFiles, LinksToDirectoriesAreNeitherEnteredNorEntries) {
  fs::create_directory_symlink(tree_.root() / "sub", tree_.root() / "link_dir");
  fs::create_symlink(tree_.root() / "B.txt", tree_.root() / "link_file");
  fs::create_symlink(tree_.root() / "gone", tree_.root() / "broken");
  const auto entries = find_sorted(tree_, "*.*", recursive());
  EXPECT_EQ(
      relative_paths(entries),
      (std::vector<std::string>{".hidden", "_x", "a.txt", "B.txt", "broken", "link_file",
                                "notes.md", "sub.txt/e.dat", "sub/c.txt", "sub/deeper/d.txt"}));
  EXPECT_EQ(entries[4].size, 0U);  // broken
  EXPECT_EQ(entries[5].size, 3U);  // the size of B.txt
}

TEST(ListedFileSize, FilesOnlyAndThroughLinks) {
  TempTree tree;
  tree.file("five", 5);
  tree.dir("d");
  fs::create_symlink(tree.root() / "five", tree.root() / "link");
  EXPECT_EQ(verolt::platform::listed_file_size((tree.root() / "five").string()), 5U);
  EXPECT_EQ(verolt::platform::listed_file_size((tree.root() / "link").string()), 5U);
  EXPECT_FALSE(verolt::platform::listed_file_size((tree.root() / "d").string()).has_value());
  EXPECT_FALSE(verolt::platform::listed_file_size((tree.root() / "no").string()).has_value());
  EXPECT_FALSE(verolt::platform::listed_file_size("").has_value());
}
#endif

TEST(FindFilesDots, OneDotPerHundredFilesAppendedInADirectory) {
  struct Case {
    const char* what;
    std::size_t topFiles;
    std::size_t subdirs;
    std::size_t filesPerSubdir;
    int dots;
  };
  const std::vector<Case> cases = {
      {"250 files", 250, 0, 0, 2},
      {"exactly 100", 100, 0, 0, 1},
      {"99 files", 99, 0, 0, 0},
      {"three subdirectories of 50", 0, 3, 50, 0},
      {"two subdirectories of 100", 0, 2, 100, 2},
  };
  for (const Case& c : cases) {
    TempTree tree;
    tree.files(".", c.topFiles);
    for (std::size_t s = 0; s < c.subdirs; ++s) {
      tree.files("s" + std::to_string(s), c.filesPerSubdir);
    }
    int dots = 0;
    const auto entries = find_sorted(tree, "*.*", recursive(), &dots);
    EXPECT_EQ(entries.size(), c.topFiles + c.subdirs * c.filesPerSubdir) << c.what;
    EXPECT_EQ(dots, c.dots) << c.what;
  }
}

// The files a directory has collected when each of its own is added, subdirectories counted
// whole at the place the listing names them; a dot falls on every hundredth. Returns the count.
std::size_t listing_dots(const fs::path& dir, int& dots) {
  std::size_t count = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    if (entry.is_directory()) {
      count += listing_dots(entry.path(), dots);
    } else if (++count % 100 == 0) {
      ++dots;
    }
  }
  return count;
}

TEST(FindFilesDots, SubdirectoriesCountWhereTheListingNamesThem) {
  struct Case {
    std::size_t topFiles;
    std::vector<std::size_t> subdirFiles;
  };
  const std::vector<Case> cases = {
      {150, {70, 30}}, {60, {60}}, {99, {1, 1, 1}}, {40, {130, 90, 10, 250}}};
  for (const Case& c : cases) {
    TempTree tree;
    tree.files(".", c.topFiles);
    for (std::size_t s = 0; s < c.subdirFiles.size(); ++s) {
      tree.files("s" + std::to_string(s), c.subdirFiles[s]);
    }
    int expected = 0;
    const std::size_t files = listing_dots(tree.root(), expected);
    int dots = 0;
    EXPECT_EQ(find_sorted(tree, "*.*", recursive(), &dots).size(), files) << c.topFiles;
    EXPECT_EQ(dots, expected) << c.topFiles;
  }
}

TEST(FindFilesDeep, DeepTreeIsWalkedWhole) {
  TempTree tree;
  // The ANSI file API of Windows stops at 260 characters a path.
#ifdef _WIN32
  constexpr int kDepth = 100;
#else
  constexpr int kDepth = 300;
#endif
  std::string relative;
  for (int depth = 0; depth < kDepth; ++depth) {
    relative += "d/";
  }
  tree.file(relative + "bottom");
  tree.file("top");
  const auto entries = find_sorted(tree, "*.*", recursive());
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0].name, "bottom");
  EXPECT_EQ(entries[0].dir.size(), 2U * kDepth - 1);
}

}  // namespace
