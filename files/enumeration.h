// File enumeration: a target split into directory prefix and mask, the walk through the
// directories into a table of names, and the order of the entries.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/mask.h"

namespace verolt::files {

// One file: views into the table that holds it, valid until the table is changed or destroyed.
struct FileEntry {
  std::string_view dir;   // relative subdirectory, no trailing separator; empty at the top
  std::string_view name;  // as the search reports it
  std::uint64_t size = 0;
};

struct Target {
  std::string prefix;  // up to and including the last separator, as typed; may be empty
  std::string mask;    // what follows, or "*.*" when nothing does
};
Target split_target(const std::string& target);

// Thrown when the entry table cannot grow; `entries` is how many it had to hold.
struct EntryTableFull {
  std::size_t entries;
};

// The files of a walk. A tree of a million files costs a few dozen bytes a file besides its
// name: names are kept once in an arena, each relative directory once, and each file is a small
// record; nothing moves as the table grows.
class FileTable {
 public:
  FileTable();
  ~FileTable();
  FileTable(FileTable&& other) noexcept;
  FileTable& operator=(FileTable&& other) noexcept;
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // The number of `dir` (relative, no trailing separator; empty at the top) for add_file.
  std::uint32_t add_directory(std::string_view dir);
  // Both throw EntryTableFull when the table cannot grow.
  void add_file(std::uint32_t directory, std::string_view name, std::uint64_t size);

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  FileEntry operator[](std::size_t index) const;
  std::uint64_t total_size() const;

  // Into the order of compare_entries; entries that compare equal keep the order they were
  // added in. The second form sorts the entries from `begin` up to `end` among themselves.
  void sort();
  void sort(std::size_t begin, std::size_t end);
  // Drops the entries `drop` selects; the others keep their order.
  void remove_if(const std::function<bool(const FileEntry&)>& drop);

 private:
  struct Record;
  struct Directory;
  class Arena;

  Record& record(std::size_t index);
  const Record& record(std::size_t index) const;
  std::string_view key_source(const Record& record) const;
  std::uint64_t key_chunk(const Record& record, std::size_t depth) const;
  std::size_t key_length(const Record& record) const;
  bool record_before(std::uint32_t a, std::uint32_t b) const;
  bool in_order(std::size_t a, std::size_t b) const;

  std::unique_ptr<Arena> arena_;
  std::vector<std::unique_ptr<Record[]>> chunks_;
  std::vector<Directory> directories_;
  std::size_t count_ = 0;
};

// Called when a dot (one per hundred files of a directory) is due.
using DotSink = std::function<void()>;

// The masks that leave files and directories out of a walk by their path relative to its
// starting directory (see text::PathMask); a directory left out is not entered. On Windows "\"
// in a mask is a separator as "/" is.
class Exclusions {
 public:
  Exclusions() = default;
  explicit Exclusions(const std::vector<std::string>& masks);

  bool empty() const { return lastPart_.empty() && whole_.empty(); }
  // Whether a walk leaves out what `relativePath` names (parts separated by the platform's
  // separator or "/"): it matches a mask, or a directory on the way to it does.
  bool excludes(std::string_view relativePath) const;

  // A directory a walk has reached, which tests names one at a time and joins no paths: the
  // masks with a separator whose leading parts its path has matched are kept in play.
  class Place {
   public:
    // Whether the entry `name` of this directory is left out.
    bool excludes(std::string_view name) const;
    // The place of its subdirectory `name`.
    Place below(std::string_view name) const;

   private:
    friend class Exclusions;
    explicit Place(const Exclusions& exclusions) : exclusions_(&exclusions) {}

    const Exclusions* exclusions_;
    std::size_t depth_ = 0;          // parts of the directory's relative path
    std::vector<std::size_t> open_;  // indexes into whole_
  };
  // The walk's starting directory.
  Place top() const;

 private:
  std::vector<text::PathMask> lastPart_;  // masks without a separator
  std::vector<text::PathMask> whole_;     // masks with one
};

struct WalkOptions {
  // Every file below the matching subdirectories too.
  bool recurse = false;
  // With `recurse`: directories whose names begin with a dot are entered as well.
  bool dotDirectories = false;
  // Without, the sizes may be left 0, which spares a status call per file where nobody sees the
  // progress.
  bool sizes = true;
  Exclusions exclusions;
};

// Every file that `mask` selects in `directory` (a prefix: empty or ending with a separator) and,
// with `recurse`, every file below the matching subdirectories, in the order of the walk; what
// the exclusions name, relative to `directory`, left out. The relative directories of the
// entries start after `prefixLength` bytes (at most the length of `directory`). With
// `unreadable`, each directory the walk selects but cannot search or read to its end (not one
// that is missing) is added to it as a relative directory (empty for `directory` itself), in the
// order of the walk; what it gave before failing stays in the table.
FileTable find_files(const std::string& mask, const std::string& directory,
                     std::size_t prefixLength, const WalkOptions& options,
                     const DotSink& dot = nullptr, std::vector<std::string>* unreadable = nullptr);

// prefix + dir + separator + name, or prefix + name at the top; the second form reuses the
// storage of `path`.
std::string entry_path(std::string_view prefix, const FileEntry& entry);
void entry_path(std::string_view prefix, const FileEntry& entry, std::string& path);

// Order of the sort: relative paths byte by byte, names in their Windows-1251 form where they
// have one, ASCII letters folded and the separator compared as a backslash; equal ones by their
// plain bytes.
int compare_entries(const FileEntry& a, const FileEntry& b);

}  // namespace verolt::files
