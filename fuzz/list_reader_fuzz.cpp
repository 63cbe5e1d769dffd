// The list reader on arbitrary file contents: the lines it returns must be the file's bytes cut
// after each LF, nothing lost or added, and a rewind must give the same lines again. The first
// input byte can push the rest of the input against the reader's buffer boundary, so that lines
// that straddle a refill are tried without megabyte inputs.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "files/lists.h"
#include "fuzz/check.h"

namespace {

namespace fs = std::filesystem;
using verolt::fuzz::check;

// The reader's buffer size; if it changes, the inputs still run but miss the boundary.
constexpr std::size_t kReaderBuffer = 65536;

// One scratch file for the whole run, removed at exit.
class ScratchFile {
 public:
  ScratchFile() {
    std::random_device random;
    const std::uint64_t tag = (std::uint64_t{random()} << 32) ^ random();
    dir_ = fs::temp_directory_path() / ("verolt-list-fuzz-" + std::to_string(tag));
    fs::create_directories(dir_);
    path_ = (dir_ / "list").string();
  }
  ~ScratchFile() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  fs::path dir_;
  std::string path_;
};

ScratchFile& scratch() {
  static ScratchFile file;
  return file;
}

// The file's contents: the input after its first byte, behind a filler chosen by that byte.
// From 0xC0 the input starts up to 15 bytes (bits 0 to 3) before the first buffer boundary, from
// 0xE0 before the second; bit 4 ends the filler with an LF, so that the input's first line either
// continues a long line or starts fresh. Most inputs have no filler: it is slow to write and read.
std::string contents(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const unsigned mode = data[0];
  std::string text;
  if (mode >= 0xC0U) {
    const std::size_t boundary = mode >= 0xE0U ? 2 * kReaderBuffer : kReaderBuffer;
    text.assign(boundary - (mode & 0x0FU), 'x');
    if ((mode & 0x10U) != 0) text.back() = '\n';
  }
  text.append(reinterpret_cast<const char*>(data) + 1, size - 1);
  return text;
}

std::vector<std::string> read_all(verolt::files::ListReader& reader) {
  std::vector<std::string> lines;
  std::string line;
  while (reader.read_line(line)) lines.push_back(line);
  check(!reader.read_line(line), "the end of the list stays the end");
  check(line.empty(), "no line is delivered at the end");
  return lines;
}

void check_lines(const std::vector<std::string>& lines, const std::string& text) {
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    check(!line.empty(), "no line is empty (an empty line still has its LF)");
    const std::size_t lf = line.find('\n');
    if (i + 1 < lines.size()) {
      check(lf == line.size() - 1, "every line but the last ends at its only LF");
    } else {
      check(lf == std::string::npos || lf == line.size() - 1,
            "the last line holds no LF but a final one");
    }
    joined += line;
  }
  check(joined == text, "the lines put together are the file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = contents(data, size);
  const std::string& path = scratch().path();
  {
    // A fresh file each time: emptying a written one makes some file systems flush it first.
    std::error_code ignored;
    fs::remove(path, ignored);
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    check(static_cast<bool>(out.flush()), "the scratch file is written");
  }

  verolt::files::ListReader reader;
  check(reader.open(path), "the list opens");
  const std::vector<std::string> lines = read_all(reader);
  check_lines(lines, text);

  // Rewound at the end, then again after one line, as the second pass after a sizing pass does.
  check(reader.rewind(), "the list rewinds at its end");
  std::string line;
  check(reader.read_line(line) == !lines.empty(), "a rewound list has its lines again");
  check(lines.empty() || line == lines.front(), "the first line comes first after a rewind");
  check(reader.rewind(), "the list rewinds mid-way");
  check(read_all(reader) == lines, "a rewound list reads the same lines");
  return 0;
}
