// File enumeration: a target split into directory prefix and mask, the walk through the
// directories, and the order of the entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace verolt::files {

struct FileEntry {
  std::string dir;   // relative subdirectory, no trailing separator; empty at the top
  std::string name;  // as the search reports it
  std::uint64_t size = 0;
};

struct Target {
  std::string prefix;  // up to and including the last separator, as typed; may be empty
  std::string mask;    // what follows, or "*.*" when nothing does
};
Target split_target(const std::string& target);

// Thrown by find_files when the entry table cannot grow; `entries` is how many it had to hold.
struct EntryTableFull {
  std::size_t entries;
};

// Called when a dot (one per hundred files of a directory) is due.
using DotSink = std::function<void()>;

// Every file that `mask` selects in `directory` (a prefix: empty or ending with a separator) and,
// with `recurse`, every file below the matching subdirectories. Unsorted. Without `sizes` the
// sizes may be left 0, which spares a status call per file where nobody sees the progress.
std::vector<FileEntry> find_files(const std::string& mask, const std::string& directory,
                                  std::size_t prefixLength, bool recurse, const DotSink& dot,
                                  bool sizes = true);

// prefix + dir + separator + name, or prefix + name at the top.
std::string entry_path(std::string_view prefix, const FileEntry& entry);

// Order of the sort: relative paths byte by byte, ASCII letters folded and the separator
// compared as a backslash; equal ones by their plain bytes.
int compare_entries(const FileEntry& a, const FileEntry& b);
void sort_entries(std::vector<FileEntry>& entries);

}  // namespace verolt::files
