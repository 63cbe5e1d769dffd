// File enumeration: splitting a target, walking the directories, ordering the entries.
#include "files/enumeration.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/directory_search.h"
#include "platform/file_names.h"
#include "text/ascii.h"

namespace verolt::files {

namespace {

constexpr std::size_t kDotInterval = 100;
// Records come in blocks of this many, names in blocks of kArenaBlock bytes: a growing table
// never copies what it holds, and never holds twice its size while it grows.
constexpr std::size_t kBlockRecords = 8192;
constexpr std::size_t kArenaBlock = std::size_t{64} << 10;
// The sort numbers entries in 32 bits, and records measure names in 31.
constexpr std::size_t kMax32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kMaxName = kMax32 >> 1U;

// A byte of a name as the sort sees it: ASCII letters folded, the separator as a backslash, so a
// tree sorts the same on every platform.
unsigned char sort_byte(char c) {
  if (c == platform::kSeparator) return '\\';
  return static_cast<unsigned char>(text::fold_ascii(c));
}

// The Windows-1251 form of a name or directory, where it is not the text itself. ASCII is its own
// form, which spares the conversion for nearly every name.
std::optional<std::string> distinct_sort_form(std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return std::nullopt;
  std::string form = platform::name_sort_form(text);
  if (form == text) return std::nullopt;
  return form;
}

// Text read as the concatenation of up to three pieces, without joining them.
class Pieces {
 public:
  Pieces(std::string_view a, std::string_view b, std::string_view c) : pieces_{a, b, c} {}

  // The next byte; false after the last.
  bool next(unsigned char& byte) {
    while (piece_ < pieces_.size() && at_ >= pieces_[piece_].size()) {
      ++piece_;
      at_ = 0;
    }
    if (piece_ == pieces_.size()) return false;
    byte = static_cast<unsigned char>(pieces_[piece_][at_++]);
    return true;
  }

 private:
  std::array<std::string_view, 3> pieces_;
  std::size_t piece_ = 0;
  std::size_t at_ = 0;
};

// Byte by byte, a prefix first; with `sorted` each byte as the sort sees it.
int compare_pieces(Pieces a, Pieces b, bool sorted) {
  for (;;) {
    unsigned char x = 0;
    unsigned char y = 0;
    const bool moreA = a.next(x);
    const bool moreB = b.next(y);
    if (!moreA || !moreB) return moreA == moreB ? 0 : (moreA ? 1 : -1);
    if (sorted) {
      x = sort_byte(static_cast<char>(x));
      y = sort_byte(static_cast<char>(y));
    }
    if (x != y) return x < y ? -1 : 1;
  }
}

constexpr std::string_view kSeparatorText{&platform::kSeparator, 1};

std::string_view joint(std::string_view dir, std::string_view separator) {
  return dir.empty() ? std::string_view() : separator;
}

// Entries equal under the folding keep a defined order: by their plain bytes.
int compare_plain(const FileEntry& a, const FileEntry& b) {
  int order = compare_pieces(Pieces(a.dir, joint(a.dir, kSeparatorText), a.name),
                             Pieces(b.dir, joint(b.dir, kSeparatorText), b.name), false);
  if (order == 0 && a.dir != b.dir) {
    // Only malformed entries (a separator inside a name) can get this far.
    order = a.dir < b.dir ? -1 : 1;
  }
  return order;
}

}  // namespace

// ---- the table ----

struct FileTable::Record {
  const char* name;  // in the arena
  std::uint64_t size;
  std::uint32_t directory;
  std::uint32_t nameLength : 31;
  // The name is not its own sort form: the form follows it in the arena, its length first.
  std::uint32_t hasForm : 1;
};

struct FileTable::Directory {
  std::string_view path;  // relative, as the entries show it
  std::string_view key;   // as the sort sees it, a backslash at the end; empty at the top
};

class FileTable::Arena {
 public:
  // Room for `length` bytes that stays where it is while the arena lives.
  char* allocate(std::size_t length) {
    if (length > left_) {
      const std::size_t block = std::max(kArenaBlock, length);
      blocks_.push_back(std::make_unique<char[]>(block));
      free_ = blocks_.back().get();
      left_ = block;
    }
    char* room = free_;
    free_ += length;
    left_ -= length;
    return room;
  }

  std::string_view store(std::string_view a, std::string_view b) {
    char* room = allocate(a.size() + b.size());
    std::copy(a.begin(), a.end(), room);
    std::copy(b.begin(), b.end(), room + a.size());
    return {room, a.size() + b.size()};
  }

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;
  std::size_t left_ = 0;
};

FileTable::FileTable() : arena_(std::make_unique<Arena>()) {}
FileTable::~FileTable() = default;
FileTable::FileTable(FileTable&& other) noexcept = default;
FileTable& FileTable::operator=(FileTable&& other) noexcept = default;

FileTable::Record& FileTable::record(std::size_t index) {
  return chunks_[index / kBlockRecords][index % kBlockRecords];
}

const FileTable::Record& FileTable::record(std::size_t index) const {
  return chunks_[index / kBlockRecords][index % kBlockRecords];
}

std::uint32_t FileTable::add_directory(std::string_view dir) {
  if (directories_.size() >= kMax32) throw EntryTableFull{count_ + 1};
  try {
    std::string key = distinct_sort_form(dir).value_or(std::string(dir));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return static_cast<char>(sort_byte(c)); });
    if (!key.empty()) key += '\\';
    const std::string_view stored = arena_->store(dir, key);
    directories_.push_back({stored.substr(0, dir.size()), stored.substr(dir.size())});
  } catch (const std::bad_alloc&) {
    throw EntryTableFull{count_ + 1};
  }
  return static_cast<std::uint32_t>(directories_.size() - 1);
}

void FileTable::add_file(std::uint32_t directory, std::string_view name, std::uint64_t size) {
  if (count_ >= kMax32 || name.size() > kMaxName) throw EntryTableFull{count_ + 1};
  try {
    const std::optional<std::string> form = distinct_sort_form(name);
    const std::size_t formBytes = form ? sizeof(std::uint32_t) + form->size() : 0;
    char* stored = arena_->allocate(name.size() + formBytes);
    std::copy(name.begin(), name.end(), stored);
    if (form) {
      const auto formLength = static_cast<std::uint32_t>(form->size());
      std::memcpy(stored + name.size(), &formLength, sizeof formLength);
      std::copy(form->begin(), form->end(), stored + name.size() + sizeof formLength);
    }
    if (count_ / kBlockRecords == chunks_.size()) {
      chunks_.push_back(std::make_unique<Record[]>(kBlockRecords));
    }
    Record& added = record(count_);
    added.name = stored;
    added.size = size;
    added.directory = directory;
    added.nameLength = static_cast<std::uint32_t>(name.size()) & kMaxName;  // fits, as checked
    added.hasForm = form ? 1U : 0U;
    ++count_;
  } catch (const std::bad_alloc&) {
    throw EntryTableFull{count_ + 1};
  }
}

FileEntry FileTable::operator[](std::size_t index) const {
  const Record& r = record(index);
  return FileEntry{directories_[r.directory].path, std::string_view(r.name, r.nameLength), r.size};
}

std::uint64_t FileTable::total_size() const {
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < count_; ++i) total += record(i).size;
  return total;
}

std::string_view FileTable::key_source(const Record& r) const {
  if (r.hasForm == 0) return {r.name, r.nameLength};
  std::uint32_t formLength = 0;
  std::memcpy(&formLength, r.name + r.nameLength, sizeof formLength);
  return {r.name + r.nameLength + sizeof formLength, formLength};
}

std::size_t FileTable::key_length(const Record& r) const {
  return directories_[r.directory].key.size() + key_source(r).size();
}

// Eight bytes of the key from `depth` on, the first in the highest bits, zeros past its end: no
// key holds a zero byte, so a shorter key sorts first, as it should.
std::uint64_t FileTable::key_chunk(const Record& r, std::size_t depth) const {
  constexpr std::size_t kBytes = sizeof(std::uint64_t);
  std::uint64_t chunk = 0;
  std::size_t taken = 0;
  const std::string_view dirKey = directories_[r.directory].key;
  for (; taken < kBytes && depth < dirKey.size(); ++taken, ++depth) {
    chunk = chunk << 8U | static_cast<unsigned char>(dirKey[depth]);
  }
  const std::string_view name = key_source(r);
  for (std::size_t at = depth - dirKey.size(); taken < kBytes && at < name.size(); ++taken, ++at) {
    chunk = chunk << 8U | sort_byte(name[at]);
  }
  return taken == 0 ? 0 : chunk << (8 * (kBytes - taken));
}

bool FileTable::record_before(std::uint32_t a, std::uint32_t b) const {
  const int order = compare_plain((*this)[a], (*this)[b]);
  return order != 0 ? order < 0 : a < b;
}

bool FileTable::in_order(std::size_t a, std::size_t b) const {
  constexpr std::size_t kBytes = sizeof(std::uint64_t);
  const Record& x = record(a);
  const Record& y = record(b);
  std::size_t depth = x.directory == y.directory ? directories_[x.directory].key.size() : 0;
  for (;; depth += kBytes) {
    const std::uint64_t chunkX = key_chunk(x, depth);
    const std::uint64_t chunkY = key_chunk(y, depth);
    if (chunkX != chunkY) return chunkX < chunkY;
    // Equal chunks in which one key ends: both end there.
    if (key_length(x) < depth + kBytes) break;
  }
  return record_before(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b));
}

void FileTable::sort() { sort(0, count_); }

void FileTable::sort(std::size_t begin, std::size_t end) {
  // The keys are read eight bytes at a time: a range of entries is sorted on the chunk at one
  // depth, and each run of equal chunks again on the next one. A key is never built whole, so
  // the sort costs no memory per name, and a typical tree needs two or three passes.
  struct Item {
    std::uint64_t chunk;
    std::uint32_t index;
  };
  struct Range {
    std::size_t begin;
    std::size_t end;
    std::size_t depth;
  };
  constexpr std::size_t kBytes = sizeof(std::uint64_t);
  if (end > count_) end = count_;
  if (end <= begin + 1) return;
  // The walk leaves many trees in order: then there is nothing to sort, nor memory to take.
  bool sorted = true;
  for (std::size_t i = begin; sorted && i + 1 < end; ++i) sorted = in_order(i, i + 1);
  if (sorted) return;

  std::vector<Item> items(end - begin);
  for (std::size_t i = 0; i < items.size(); ++i) {
    items[i].index = static_cast<std::uint32_t>(begin + i);
  }
  std::vector<Range> pending{{0, items.size(), 0}};
  while (!pending.empty()) {
    Range range = pending.back();
    pending.pop_back();
    const auto first = items.begin() + static_cast<std::ptrdiff_t>(range.begin);
    const auto last = items.begin() + static_cast<std::ptrdiff_t>(range.end);
    // Entries of one directory share its key: past it at once.
    const std::uint32_t dir = record(first->index).directory;
    const std::size_t dirKeyLength = directories_[dir].key.size();
    if (range.depth < dirKeyLength && std::all_of(first, last, [&](const Item& item) {
          return record(item.index).directory == dir;
        })) {
      range.depth = dirKeyLength;
    }
    for (auto it = first; it != last; ++it) it->chunk = key_chunk(record(it->index), range.depth);
    // The walk sorts each directory as it goes, so the whole is often in order already.
    const auto byChunk = [](const Item& a, const Item& b) { return a.chunk < b.chunk; };
    if (!std::is_sorted(first, last, byChunk)) std::sort(first, last, byChunk);
    for (auto run = first; run != last;) {
      const auto runEnd =
          std::find_if(run, last, [&](const Item& item) { return item.chunk != run->chunk; });
      if (runEnd - run > 1) {
        // A key that ends within the chunk has no zero byte before its end, so the whole run
        // holds equal keys; one that fills it may go on in the others.
        if (key_length(record(run->index)) >= range.depth + kBytes) {
          pending.push_back({static_cast<std::size_t>(run - items.begin()),
                             static_cast<std::size_t>(runEnd - items.begin()),
                             range.depth + kBytes});
        } else {
          std::sort(run, runEnd,
                    [&](const Item& a, const Item& b) { return record_before(a.index, b.index); });
        }
      }
      run = runEnd;
    }
  }

  // The records into their places, cycle by cycle; a placed one is marked by its own number.
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].index == begin + i) continue;
    const Record held = record(begin + i);
    std::size_t at = i;
    for (;;) {
      const std::size_t from = items[at].index - begin;
      items[at].index = static_cast<std::uint32_t>(begin + at);
      if (from == i) {
        record(begin + at) = held;
        break;
      }
      record(begin + at) = record(begin + from);
      at = from;
    }
  }
}

void FileTable::remove_if(const std::function<bool(const FileEntry&)>& drop) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    if (drop((*this)[i])) continue;
    if (kept != i) record(kept) = record(i);
    ++kept;
  }
  count_ = kept;
  chunks_.resize((count_ + kBlockRecords - 1) / kBlockRecords);
}

// ---- the walk ----

namespace {

class Walk {
 public:
  Walk(FileTable& table, std::size_t prefixLength, const WalkOptions& options, const DotSink& dot,
       std::vector<std::string>* unreadable)
      : table_(table),
        prefixLength_(prefixLength),
        options_(options),
        excluding_(!options.exclusions.empty()),
        dot_(dot),
        unreadable_(unreadable) {}

  // The files in `directory` that `mask` selects and, with `recurse`, below its subdirectories;
  // how many. `directory` is borrowed to name the subdirectories and given back as it came;
  // `place` is where it stands for the exclusions.
  std::size_t walk(const std::string& mask, std::string& directory, bool recurse,
                   const Exclusions::Place& place) {
    struct Subdirectory {
      std::string name;
      std::size_t filesBefore;  // the files of this directory listed before it
      std::size_t files;        // found at and below it
    };
    std::vector<Subdirectory> subdirectories;
    const std::size_t start = table_.size();
    std::size_t ownFiles = 0;
    std::optional<std::uint32_t> number;
    {
      // The listing is taken whole before descending, so a deep tree holds no open search per
      // level.
      platform::DirectorySearch search(options_.sizes);
      platform::FoundEntry found;
      for (bool more = search.find_first(directory, mask, found); more;
           more = search.find_next(found)) {
        if (found.isLinkedDirectory) continue;
        if (found.isDirectory) {
          if (recurse && enters(found.name) && !(excluding_ && place.excludes(found.name))) {
            subdirectories.push_back({found.name, ownFiles, 0});
          }
          continue;
        }
        if (excluding_ && place.excludes(found.name)) continue;
        if (!number) number = table_.add_directory(relative(directory));
        table_.add_file(*number, found.name, found.size);
        ++ownFiles;
      }
      if (unreadable_ != nullptr && search.failed()) {
        unreadable_->emplace_back(relative(directory));
      }
    }

    // The table is kept close to its final order, which leaves the last sort little to move:
    // the files of a directory in order, and the subdirectories walked in the order of their
    // names.
    table_.sort(start, start + ownFiles);
    std::vector<Subdirectory*> byName(subdirectories.size());
    std::transform(subdirectories.begin(), subdirectories.end(), byName.begin(),
                   [](Subdirectory& subdirectory) { return &subdirectory; });
    std::sort(byName.begin(), byName.end(), [](const Subdirectory* a, const Subdirectory* b) {
      return compare_entries({a->name, {}, 0}, {b->name, {}, 0}) < 0;
    });
    for (Subdirectory* subdirectory : byName) {
      const std::size_t length = directory.size();
      directory += subdirectory->name;
      directory += platform::kSeparator;
      subdirectory->files =
          walk("*.*", directory, true, excluding_ ? place.below(subdirectory->name) : place);
      directory.resize(length);
    }

    // The dots fall as if each subdirectory were walked where the listing names it: the count of
    // a directory takes in its subdirectories' files, and each hundredth file of its own is a dot.
    std::size_t count = 0;
    std::size_t counted = 0;
    for (const Subdirectory& subdirectory : subdirectories) {
      count_files(count, subdirectory.filesBefore - counted);
      counted = subdirectory.filesBefore;
      count += subdirectory.files;
    }
    count_files(count, ownFiles - counted);
    return count;
  }

 private:
  // "." and ".." are never entered; other names with a leading dot only when asked for.
  bool enters(std::string_view name) const {
    if (name.empty() || name == "." || name == "..") return false;
    return name.front() != '.' || options_.dotDirectories;
  }

  std::string_view relative(std::string_view directory) const {
    std::string_view path = directory.substr(std::min(prefixLength_, directory.size()));
    if (!path.empty() && platform::is_separator(path.back())) path.remove_suffix(1);
    return path;
  }

  void count_files(std::size_t& count, std::size_t files) const {
    const std::size_t before = count / kDotInterval;
    count += files;
    for (std::size_t dots = count / kDotInterval - before; dots > 0 && dot_; --dots) dot_();
  }

  FileTable& table_;
  std::size_t prefixLength_;
  const WalkOptions& options_;
  bool excluding_;
  const DotSink& dot_;
  std::vector<std::string>* unreadable_;
};

}  // namespace

Target split_target(const std::string& target) {
  std::size_t cut = target.size();
  while (cut > 0 && !platform::is_separator(target[cut - 1])) {
    --cut;
  }
  Target result;
  result.prefix = target.substr(0, cut);
  result.mask = cut == target.size() ? std::string("*.*") : target.substr(cut);
  return result;
}

// ---- exclusions ----

namespace {

constexpr text::PathStyle kPathStyle =
    platform::kSeparator == '\\' ? text::PathStyle::windows : text::PathStyle::posix;

}  // namespace

Exclusions::Exclusions(const std::vector<std::string>& masks) {
  for (const std::string& text : masks) {
    text::PathMask mask(text, kPathStyle);
    (mask.anchored() ? whole_ : lastPart_).push_back(std::move(mask));
  }
}

bool Exclusions::excludes(std::string_view relativePath) const {
  const auto covers = [relativePath](const text::PathMask& mask) {
    return mask.covers(relativePath);
  };
  return std::any_of(lastPart_.begin(), lastPart_.end(), covers) ||
         std::any_of(whole_.begin(), whole_.end(), covers);
}

Exclusions::Place Exclusions::top() const {
  Place place(*this);
  place.open_.resize(whole_.size());
  for (std::size_t i = 0; i < whole_.size(); ++i) place.open_[i] = i;
  return place;
}

bool Exclusions::Place::excludes(std::string_view name) const {
  for (const text::PathMask& mask : exclusions_->lastPart_) {
    if (mask.part_matches(0, name)) return true;
  }
  for (const std::size_t i : open_) {
    const text::PathMask& mask = exclusions_->whole_[i];
    if (mask.parts() == depth_ + 1 && mask.part_matches(depth_, name)) return true;
  }
  return false;
}

Exclusions::Place Exclusions::Place::below(std::string_view name) const {
  Place place(*exclusions_);
  place.depth_ = depth_ + 1;
  for (const std::size_t i : open_) {
    const text::PathMask& mask = exclusions_->whole_[i];
    if (mask.parts() > depth_ + 1 && mask.part_matches(depth_, name)) place.open_.push_back(i);
  }
  return place;
}

FileTable find_files(const std::string& mask, const std::string& directory,
                     std::size_t prefixLength, const WalkOptions& options, const DotSink& dot,
                     std::vector<std::string>* unreadable) {
  FileTable table;
  std::string walked = directory;
  Walk(table, prefixLength, options, dot, unreadable)
      .walk(mask.empty() ? std::string("*.*") : mask, walked, options.recurse,
            options.exclusions.top());
  return table;
}

void entry_path(std::string_view prefix, const FileEntry& entry, std::string& path) {
  path.clear();
  path.reserve(prefix.size() + entry.dir.size() + 1 + entry.name.size());
  path.append(prefix);
  if (!entry.dir.empty()) {
    path.append(entry.dir);
    path += platform::kSeparator;
  }
  path.append(entry.name);
}

std::string entry_path(std::string_view prefix, const FileEntry& entry) {
  std::string path;
  entry_path(prefix, entry, path);
  return path;
}

int compare_entries(const FileEntry& a, const FileEntry& b) {
  const std::optional<std::string> dirA = distinct_sort_form(a.dir);
  const std::optional<std::string> nameA = distinct_sort_form(a.name);
  const std::optional<std::string> dirB = distinct_sort_form(b.dir);
  const std::optional<std::string> nameB = distinct_sort_form(b.name);
  const auto form = [](const std::optional<std::string>& distinct, std::string_view text) {
    return distinct ? std::string_view(*distinct) : text;
  };
  const int order =
      compare_pieces(Pieces(form(dirA, a.dir), joint(a.dir, "\\"), form(nameA, a.name)),
                     Pieces(form(dirB, b.dir), joint(b.dir, "\\"), form(nameB, b.name)), true);
  return order != 0 ? order : compare_plain(a, b);
}

}  // namespace verolt::files
