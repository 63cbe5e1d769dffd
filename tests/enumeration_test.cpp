#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "files/enumeration.h"
#include "platform/file_names.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using verolt::files::compare_entries;
using verolt::files::entry_path;
using verolt::files::FileEntry;
using verolt::files::find_files;
using verolt::files::sort_entries;
using verolt::files::split_target;
using verolt::platform::kSeparator;

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

FileEntry entry(const std::string& dir, const std::string& name) {
  return FileEntry{native(dir), name, 0};
}

std::vector<std::string> relative_paths(const std::vector<FileEntry>& entries) {
  std::vector<std::string> paths;
  paths.reserve(entries.size());
  for (const FileEntry& e : entries) {
    std::string path = entry_path("", e);
    std::replace(path.begin(), path.end(), kSeparator, '/');
    paths.push_back(path);
  }
  return paths;
}

std::vector<std::string> sorted(std::vector<FileEntry> entries) {
  sort_entries(entries);
  return relative_paths(entries);
}

TEST(SortEntries, FoldsAsciiLettersOnly) {
  EXPECT_EQ(sorted({entry("", "B.txt"), entry("", "a.txt"), entry("", "_x")}),
            (std::vector<std::string>{"_x", "a.txt", "B.txt"}));

  // The separator sorts as a backslash: after digits and the dot, before letters and "_".
  EXPECT_EQ(sorted({entry("", "ab.txt"), entry("", "a_b.txt"), entry("a", "b.txt"),
                    entry("", "a1.txt"), entry("", "a.txt")}),
            (std::vector<std::string>{"a.txt", "a1.txt", "a/b.txt", "a_b.txt", "ab.txt"}));
  EXPECT_EQ(sorted({entry("a", "z"), entry("", "a["), entry("", "a]"), entry("a/b", "c")}),
            (std::vector<std::string>{"a[", "a/b/c", "a/z", "a]"}));

  // Windows-1251 Cyrillic: capitals (0xC0-0xDF) before small letters (0xE0-0xFF), not folded.
  EXPECT_EQ(sorted({entry("", "\xE0"), entry("", "\xDF"), entry("", "\xC0"), entry("", "z")}),
            (std::vector<std::string>{"z", "\xC0", "\xDF", "\xE0"}));

  // A prefix sorts first, also across directory levels.
  EXPECT_EQ(sorted({entry("a", "x"), entry("", "a"), entry("", "A.txt")}),
            (std::vector<std::string>{"a", "A.txt", "a/x"}));
}

TEST(SortEntries, NamesEqualUnderFoldingOrderByBytes) {
  const std::vector<std::string> expected = {"ABC", "AbC", "Abc", "aBc", "abc", "abd"};
  std::vector<FileEntry> entries;
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
    entries.push_back(entry("", *it));
  }
  EXPECT_EQ(sorted(entries), expected);
  EXPECT_EQ(sorted({entry("Sub", "a"), entry("sub", "a"), entry("SUB", "a")}),
            (std::vector<std::string>{"SUB/a", "Sub/a", "sub/a"}));

  const FileEntry a = entry("d", "x");
  const FileEntry b = entry("", "d");
  EXPECT_EQ(compare_entries(a, a), 0);
  EXPECT_LT(compare_entries(b, a), 0);
  EXPECT_GT(compare_entries(a, b), 0);
}

TEST(EntryPath, JoinsPrefixDirAndName) {
  EXPECT_EQ(entry_path(native("C/x/"), entry("sub/deeper", "f.txt")),
            native("C/x/sub/deeper/f.txt"));
  EXPECT_EQ(entry_path(native("../"), entry("", "f.txt")), native("../f.txt"));
  EXPECT_EQ(entry_path("", entry("", "f.txt")), "f.txt");
  EXPECT_EQ(entry_path("", entry("d", "f")), native("d/f"));
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

std::vector<FileEntry> find_sorted(const TempTree& tree, const std::string& mask, bool recurse,
                                   int* dots = nullptr) {
  const std::string prefix = tree.prefix();
  auto entries = find_files(mask, prefix, prefix.size(), recurse, [dots] {
    if (dots != nullptr) {
      ++*dots;
    }
  });
  sort_entries(entries);
  return entries;
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
  const auto entries = find_sorted(tree_, "*.*", false);
  EXPECT_EQ(relative_paths(entries),
            (std::vector<std::string>{".hidden", "_x", "a.txt", "B.txt", "notes.md"}));
  for (const FileEntry& e : entries) {
    EXPECT_EQ(e.dir, "");
  }
  EXPECT_EQ(entries[0].size, 7U);
  EXPECT_EQ(entries[3].size, 3U);
}

TEST_F(FindFiles, RecursionSkipsDotDirectories) {
  const auto entries = find_sorted(tree_, "*.*", true);
  EXPECT_EQ(relative_paths(entries),
            (std::vector<std::string>{".hidden", "_x", "a.txt", "B.txt", "notes.md",
                                      "sub.txt/e.dat", "sub/c.txt", "sub/deeper/d.txt"}));
  const auto deep = std::find_if(entries.begin(), entries.end(),
                                 [](const FileEntry& e) { return e.name == "d.txt"; });
  ASSERT_NE(deep, entries.end());
  EXPECT_EQ(deep->dir, native("sub/deeper"));
  EXPECT_TRUE(fs::is_regular_file(entry_path(tree_.prefix(), *deep)));
}

TEST_F(FindFiles, MaskAppliesOnlyInTheStartingDirectory) {
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.txt", true)),
            (std::vector<std::string>{"a.txt", "B.txt", "sub.txt/e.dat"}));
  EXPECT_EQ(relative_paths(find_sorted(tree_, "*.TXT", false)),
            (std::vector<std::string>{"a.txt", "B.txt"}));
  // A target naming a directory: nothing without recursion, its whole tree with it.
  EXPECT_TRUE(find_sorted(tree_, "sub", false).empty());
  EXPECT_EQ(relative_paths(find_sorted(tree_, "sub", true)),
            (std::vector<std::string>{"sub/c.txt", "sub/deeper/d.txt"}));
  EXPECT_TRUE(find_sorted(tree_, "nothing*", true).empty());
}

TEST_F(FindFiles, PrefixLengthCutsTheRelativePart) {
  // The parent of the tree is the typed prefix; the tree's own name becomes part of dir.
  const std::string parent = tree_.root().parent_path().string() + kSeparator;
  const std::string own = tree_.root().filename().string();
  auto entries = find_files("*.*", tree_.prefix(), parent.size(), true, nullptr);
  sort_entries(entries);
  ASSERT_EQ(entries.size(), 8U);
  EXPECT_EQ(entries[0].dir, own);
  EXPECT_EQ(entries[0].name, ".hidden");
  const auto dat = std::find_if(entries.begin(), entries.end(),
                                [](const FileEntry& e) { return e.name == "e.dat"; });
  ASSERT_NE(dat, entries.end());
  EXPECT_EQ(dat->dir, own + kSeparator + "sub.txt");
  EXPECT_EQ(entry_path(parent, *dat), tree_.prefix() + native("sub.txt/e.dat"));
}

TEST(FindFilesErrors, MissingDirectoryGivesNothing) {
  TempTree tree;
  const std::string missing = tree.prefix() + "missing" + kSeparator;
  EXPECT_TRUE(find_files("*.*", missing, missing.size(), true, nullptr).empty());
  EXPECT_TRUE(find_files("*.*", tree.prefix(), tree.prefix().size(), true, nullptr).empty());
}

#ifndef _WIN32
TEST_F(FindFiles, LinksToDirectoriesAreNeitherEnteredNorEntries) {
  fs::create_directory_symlink(tree_.root() / "sub", tree_.root() / "link_dir");
  fs::create_symlink(tree_.root() / "B.txt", tree_.root() / "link_file");
  fs::create_symlink(tree_.root() / "gone", tree_.root() / "broken");
  const auto entries = find_sorted(tree_, "*.*", true);
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
    const auto entries = find_sorted(tree, "*.*", true, &dots);
    EXPECT_EQ(entries.size(), c.topFiles + c.subdirs * c.filesPerSubdir) << c.what;
    EXPECT_EQ(dots, c.dots) << c.what;
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
  const auto entries = find_sorted(tree, "*.*", true);
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0].name, "bottom");
  EXPECT_EQ(entries[0].dir.size(), 2U * kDepth - 1);
}

}  // namespace
