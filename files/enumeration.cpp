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

#include "platform/directory_search.h"
#include "platform/file_names.h"

namespace verolt::files {

namespace {

constexpr std::size_t kDotInterval = 100;

void walk(const std::string& mask, const std::string& directory, std::size_t prefixLength,
          bool recurse, bool sizes, const DotSink& dot, std::vector<FileEntry>& entries) {
  // The whole listing is taken before descending, so a deep tree holds no open search per level.
  std::vector<platform::FoundEntry> found;
  {
    platform::DirectorySearch search(sizes);
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
        walk("*.*", path, prefixLength, true, sizes, dot, below);
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

// The relative path as the sort sees it: every separator reads as a backslash, names in their
// Windows-1251 form where they have one, ASCII letters folded; so a tree sorts the same on every
// platform.
std::string folded_key(const FileEntry& entry) {
  std::string key = platform::name_sort_form(entry.dir);
  if (!entry.dir.empty()) key += '\\';
  key += platform::name_sort_form(entry.name);
  for (char& c : key) {
    if (c == platform::kSeparator) c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

int compare_bytes(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

// Entries equal under the folding keep a defined order: by their plain bytes.
int compare_plain(const FileEntry& a, const FileEntry& b) {
  int order = compare_bytes(entry_path("", a), entry_path("", b));
  if (order == 0 && a.dir != b.dir) {
    // Only malformed entries (a separator inside a name) can get this far.
    order = a.dir < b.dir ? -1 : 1;
  }
  return order;
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
                                  std::size_t prefixLength, bool recurse, const DotSink& dot,
                                  bool sizes) {
  std::vector<FileEntry> entries;
  walk(mask.empty() ? std::string("*.*") : mask, directory, prefixLength, recurse, sizes, dot,
       entries);
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
  const int order = compare_bytes(folded_key(a), folded_key(b));
  return order != 0 ? order : compare_plain(a, b);
}

void sort_entries(std::vector<FileEntry>& entries) {
  // Each key is built once: a sort compares every entry many times.
  std::vector<std::pair<std::string, std::size_t>> keys;
  keys.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) keys.emplace_back(folded_key(entries[i]), i);
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    const int order = compare_bytes(a.first, b.first);
    if (order != 0) return order < 0;
    const int plain = compare_plain(entries[a.second], entries[b.second]);
    return plain != 0 ? plain < 0 : a.second < b.second;
  });
  std::vector<FileEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
  entries = std::move(sorted);
}

}  // namespace verolt::files
