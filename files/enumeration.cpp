// File enumeration: splitting a target, walking the directories, ordering the entries.
#include "files/enumeration.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace verolt::files {

namespace {

constexpr std::size_t kDotInterval = 100;

void walk(const std::string& mask, const std::string& directory, std::size_t prefixLength,
          bool recurse, const DotSink& dot, std::vector<FileEntry>& entries) {
  // The whole listing is taken before descending, so a deep tree holds no open search per level.
  std::vector<platform::FoundEntry> found;
  {
    platform::DirectorySearch search;
    platform::FoundEntry entry;
    if (!search.find_first(directory, mask, entry)) {
      return;
    }
    do {
      found.push_back(std::move(entry));
    } while (search.find_next(entry));
  }

  for (platform::FoundEntry& result : found) {
    if (result.isLinkedDirectory) {
      continue;
    }
    std::string path = directory + result.name;
    if (result.isDirectory) {
      if (recurse && !result.name.empty() && result.name.front() != '.') {
        path += platform::kSeparator;
        std::vector<FileEntry> below;
        walk("*.*", path, prefixLength, true, dot, below);
        try {
          entries.insert(entries.end(), std::make_move_iterator(below.begin()),
                         std::make_move_iterator(below.end()));
        } catch (const std::bad_alloc&) {
          throw EntryTableFull{entries.size() + below.size()};
        }
      }
      continue;
    }

    const std::string_view relative =
        std::string_view(path).substr(std::min(prefixLength, path.size()));
    FileEntry file;
    std::size_t cut = relative.size();
    while (cut > 0 && !platform::is_separator(relative[cut - 1])) {
      --cut;
    }
    if (cut == 0) {
      file.name = std::string(relative);
    } else {
      file.dir = std::string(relative.substr(0, cut - 1));
      file.name = std::string(relative.substr(cut));
    }
    file.size = result.size;
    try {
      entries.push_back(std::move(file));
    } catch (const std::bad_alloc&) {
      throw EntryTableFull{entries.size() + 1};
    }
    if (entries.size() % kDotInterval == 0 && dot) {
      dot();
    }
  }
}

// The relative path as the sort sees it: the separator between dir and name, and any inside dir,
// reads as a backslash on every platform, so a tree sorts the same everywhere.
class SortKey {
 public:
  explicit SortKey(const FileEntry& entry) : entry_(entry) {}

  std::size_t size() const {
    return entry_.dir.empty() ? entry_.name.size() : entry_.dir.size() + 1 + entry_.name.size();
  }

  unsigned char plain(std::size_t i) const {
    if (entry_.dir.empty()) {
      return static_cast<unsigned char>(entry_.name[i]);
    }
    if (i < entry_.dir.size()) {
      return static_cast<unsigned char>(entry_.dir[i]);
    }
    if (i == entry_.dir.size()) {
      return static_cast<unsigned char>(platform::kSeparator);
    }
    return static_cast<unsigned char>(entry_.name[i - entry_.dir.size() - 1]);
  }

  unsigned char folded(std::size_t i) const {
    const unsigned char c = plain(i);
    if (c == static_cast<unsigned char>(platform::kSeparator) && is_separator_position(i)) {
      return '\\';
    }
    if (c >= 'A' && c <= 'Z') {
      return static_cast<unsigned char>(c - 'A' + 'a');
    }
    return c;
  }

 private:
  // Separators occur only in the directory part and between it and the name.
  bool is_separator_position(std::size_t i) const {
    return !entry_.dir.empty() && i <= entry_.dir.size();
  }

  const FileEntry& entry_;
};

template <typename Byte>
int compare_keys(const SortKey& a, const SortKey& b, Byte byte) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = byte(a, i);
    const unsigned char y = byte(b, i);
    if (x != y) {
      return x < y ? -1 : 1;
    }
  }
  if (a.size() != b.size()) {
    return a.size() < b.size() ? -1 : 1;
  }
  return 0;
}

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

std::vector<FileEntry> find_files(const std::string& mask, const std::string& directory,
                                  std::size_t prefixLength, bool recurse, const DotSink& dot) {
  std::vector<FileEntry> entries;
  walk(mask.empty() ? std::string("*.*") : mask, directory, prefixLength, recurse, dot, entries);
  return entries;
}

std::string entry_path(std::string_view prefix, const FileEntry& entry) {
  std::string path;
  path.reserve(prefix.size() + entry.dir.size() + 1 + entry.name.size());
  path.append(prefix);
  if (!entry.dir.empty()) {
    path.append(entry.dir);
    path += platform::kSeparator;
  }
  path.append(entry.name);
  return path;
}

int compare_entries(const FileEntry& a, const FileEntry& b) {
  const SortKey ka(a);
  const SortKey kb(b);
  int order = compare_keys(ka, kb, [](const SortKey& k, std::size_t i) { return k.folded(i); });
  if (order == 0) {
    order = compare_keys(ka, kb, [](const SortKey& k, std::size_t i) { return k.plain(i); });
  }
  if (order == 0 && a.dir != b.dir) {
    // Only malformed entries (a separator inside a name) can get this far.
    order = a.dir < b.dir ? -1 : 1;
  }
  return order;
}

void sort_entries(std::vector<FileEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const FileEntry& a, const FileEntry& b) {
    return compare_entries(a, b) < 0;
  });
}

}  // namespace verolt::files
