// Directory search: the entries of one directory whose names match a mask, with what each one
// is (a file and its size, a directory to enter, a link to a directory).
#pragma once

#include <cstdint>
#include <string>

namespace verolt::platform {

// One result of a directory search.
struct FoundEntry {
  std::string name;
  bool isDirectory = false;        // a real directory that may be entered (never a link to one)
  bool isLinkedDirectory = false;  // a link to a directory: neither entered nor a file
  std::uint64_t size = 0;
};

// Directory search over the entries of `directory` (empty: the current directory) whose names
// match `mask`, "." and ".." included where the system reports them.
class DirectorySearch {
 public:
  // Without `sizes` a regular file may be reported with size 0 where the listing alone tells
  // what it is, sparing a status call per entry.
  explicit DirectorySearch(bool sizes = true);
  ~DirectorySearch();
  DirectorySearch(const DirectorySearch&) = delete;
  DirectorySearch& operator=(const DirectorySearch&) = delete;

  // Starts the search; false when the directory cannot be searched or nothing matches.
  bool find_first(const std::string& directory, const std::string& mask, FoundEntry& entry);
  // The next match; false when there is none.
  bool find_next(FoundEntry& entry);
  // After either has returned false: whether the directory could not be searched or read to its
  // end (no permission, a path too long, a read error), rather than missing or holding no more
  // matches.
  bool failed() const;

 private:
  struct State;
  State* state_;
};

}  // namespace verolt::platform
