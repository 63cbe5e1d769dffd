// List and hash files on disk, and the program's texts in Windows-1251.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "files/lists.h"
#include "files/texts.h"

namespace verolt::files {
namespace {

namespace fs = std::filesystem;

class ListFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("verolt-lists-" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void put(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string get(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
};

TEST(Texts, RussianLettersBecomeWindows1251) {
  EXPECT_EQ(to_ansi("Полный хэш = "), "\xCF\xEE\xEB\xED\xFB\xE9 \xF5\xFD\xF8 = ");
  EXPECT_EQ(to_ansi("АЯаяЁё€№"), "\xC0\xDF\xE0\xFF\xA8\xB8\x88\xB9");
  EXPECT_EQ(to_ansi("plain\t\"ascii\"\n"), "plain\t\"ascii\"\n");
  // Nothing outside the code page, and no broken sequence, passes through as raw bytes.
  EXPECT_EQ(to_ansi("\xC3\xA4|\xD0"), "?|?");
}

TEST_F(ListFiles, OutputEndsEveryLineWithCrLf) {
  OutputFile out;
  ASSERT_TRUE(out.open(path("out.lst")));
  out.write("name\t");
  out.write("VALUE\n");
  out.write("a\nb\n\n");
  ASSERT_TRUE(out.close());
  EXPECT_EQ(get("out.lst"), "name\tVALUE\r\na\r\nb\r\n\r\n");
}

TEST_F(ListFiles, OutputReportsWhatDidNotReachTheDisk) {
  OutputFile missing;
  EXPECT_FALSE(missing.open(path("no/such/dir/out.lst")));
#ifndef _WIN32
  OutputFile full;
  ASSERT_TRUE(full.open("/dev/full"));
  full.write(std::string(100000, 'x'));
  EXPECT_FALSE(full.close());
#endif
}

TEST_F(ListFiles, LinesOfAnyLengthAndEveryLineEnd) {
  const std::string longName(300000, 'n');
  put("list", "first\r\n" + longName + "\tvalue\n\nlast without end");
  ListReader reader;
  ASSERT_TRUE(reader.open(path("list")));
  std::string line;
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(reader.read_line(line));
    EXPECT_EQ(line, "first\r\n");
    ASSERT_TRUE(reader.read_line(line));
    EXPECT_EQ(line, longName + "\tvalue\n");
    ASSERT_TRUE(reader.read_line(line));
    EXPECT_EQ(line, "\n");
    ASSERT_TRUE(reader.read_line(line));
    EXPECT_EQ(line, "last without end");
    EXPECT_FALSE(reader.read_line(line));
    ASSERT_TRUE(reader.rewind());
  }
}

TEST_F(ListFiles, EmptyMissingAndDirectoryLists) {
  put("empty", "");
  ListReader reader;
  std::string line;
  ASSERT_TRUE(reader.open(path("empty")));
  EXPECT_FALSE(reader.read_line(line));
  EXPECT_FALSE(reader.open(path("missing")));
  EXPECT_FALSE(reader.open(dir_.string()));
  EXPECT_FALSE(reader.open(""));
}

TEST_F(ListFiles, HashFilesHoldSixtyFourBytes) {
  const std::string text(64, 'A');
  ASSERT_TRUE(write_hash_file(path("a.hsh"), text));
  EXPECT_EQ(get("a.hsh"), text);
  std::string read;
  EXPECT_EQ(read_hash_file(path("a.hsh"), read, 64), HashFileRead::ok);
  EXPECT_EQ(read, text);

  put("long.hsh", text + "\r\nmore");
  EXPECT_EQ(read_hash_file(path("long.hsh"), read, 64), HashFileRead::ok);
  EXPECT_EQ(read, text);
  put("short.hsh", text.substr(1));
  EXPECT_EQ(read_hash_file(path("short.hsh"), read, 64), HashFileRead::tooShort);
  EXPECT_EQ(read_hash_file(path("none.hsh"), read, 64), HashFileRead::cannotOpen);
  EXPECT_EQ(read_hash_file(dir_.string(), read, 64), HashFileRead::cannotOpen);
  EXPECT_FALSE(write_hash_file(path("no/dir/x.hsh"), text));
#ifndef _WIN32
  EXPECT_FALSE(write_hash_file("/dev/full", text));
#endif
  EXPECT_EQ(hash_file_name("dir/test.file.txt"), "dir/test.file.txt.hsh");
}

}  // namespace
}  // namespace verolt::files
