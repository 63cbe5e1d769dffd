#include "files/lists.h"

#include <algorithm>

namespace verolt::files {

namespace {
constexpr std::size_t kListBufferSize = 65536;
}

bool OutputFile::prepare(const std::string& name) {
  failed_ = false;
  return file_.prepare(name);
}

bool OutputFile::open() {
  failed_ = false;
  return file_.create();
}

void OutputFile::put(std::string_view bytes) {
  if (!bytes.empty() &&
      std::fwrite(bytes.data(), 1, bytes.size(), file_.stream()) != bytes.size()) {
    failed_ = true;
  }
}

void OutputFile::write(std::string_view text) {
  if (file_.stream() == nullptr || checksumLinesOnly_) return;
  // Line ends go out as CR LF, as a text-mode stream writes them on Windows.
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t lf = text.find('\n', start);
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    put(text.substr(start, end - start));
    if (lf == std::string_view::npos) break;
    put("\r\n");
    start = lf + 1;
  }
}

void OutputFile::write_lf(std::string_view text) {
  if (file_.stream() != nullptr) put(text);
}

bool OutputFile::close() {
  if (file_.stream() == nullptr) return !failed_;
  if (failed_) {
    file_.discard();
    return false;
  }
  return file_.commit();
}

bool file_exists(const std::string& name) { return platform::opens_for_reading(name); }

bool ListReader::open(const std::string& name) {
  name_ = name;
  if (buffer_.empty()) buffer_.resize(kListBufferSize);
  position_ = filled_ = 0;
  atEnd_ = false;
  failed_ = false;
  inMemory_ = false;
  failsAtEnd_ = false;
  bool once = false;
  if (!file_.open_list(name, once)) return false;
  id_ = file_.id();
  if (!once) return true;
  // A pipe or a terminal gives its lines only once: all of them are kept, and the list is read
  // from memory as if it were a file of the same bytes.
  inMemory_ = true;
  buffer_.clear();
  std::vector<unsigned char> piece(kListBufferSize);
  for (;;) {
    const std::ptrdiff_t got = file_.read(piece.data(), piece.size());
    failsAtEnd_ = got < 0;
    if (got <= 0) break;
    buffer_.insert(buffer_.end(), piece.begin(), piece.begin() + got);
  }
  file_.close();
  filled_ = buffer_.size();
  atEnd_ = true;
  return true;
}

bool ListReader::rewind() {
  if (inMemory_) {
    position_ = 0;
    failed_ = false;
    return true;
  }
  file_.close();
  return open(name_);
}

bool ListReader::read_line(std::string& line) {
  line.clear();
  for (;;) {
    if (position_ == filled_) {
      if (atEnd_ && !failsAtEnd_) return !line.empty();
      const std::ptrdiff_t got = atEnd_ ? -1 : file_.read(buffer_.data(), buffer_.size());
      if (got < 0) {
        // Not the end: the list goes on beyond what could be read, and a line cut there would
        // name another file.
        failed_ = atEnd_ = failsAtEnd_ = true;
        line.clear();
        return false;
      }
      if (got == 0) {
        atEnd_ = true;
        return !line.empty();
      }
      position_ = 0;
      filled_ = static_cast<std::size_t>(got);
    }
    const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(position_);
    const auto stop = buffer_.begin() + static_cast<std::ptrdiff_t>(filled_);
    const auto lf = std::find(begin, stop, static_cast<unsigned char>('\n'));
    const bool found = lf != stop;
    const auto end = found ? lf + 1 : stop;
    line.append(begin, end);
    position_ = static_cast<std::size_t>(end - buffer_.begin());
    if (found) return true;
  }
}

std::string hash_file_name(const std::string& name) { return name + ".hsh"; }

bool write_hash_file(const std::string& hashFileName, std::string_view text) {
  platform::WrittenFile file;
  if (!file.prepare(hashFileName) || !file.create()) return false;
  if (std::fwrite(text.data(), 1, text.size(), file.stream()) != text.size()) {
    file.discard();
    return false;
  }
  return file.commit();
}

HashFileRead read_hash_file(const std::string& hashFileName, std::string& text, std::size_t size) {
  platform::InputFile file;
  if (!file.open_trusted(hashFileName)) return HashFileRead::cannotOpen;
  text.assign(size, '\0');
  std::size_t filled = 0;
  while (filled < size) {
    const std::ptrdiff_t got =
        file.read(reinterpret_cast<unsigned char*>(text.data()) + filled, size - filled);
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled < size) return HashFileRead::tooShort;
  return HashFileRead::ok;
}

}  // namespace verolt::files
