// Mask matching of file names and relative paths: pure text, for the searches that the system
// does not filter itself and for the masks that leave paths out of a walk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verolt::text {

// Mask matching of the POSIX search: "*" any run, "?" one character, ASCII letters in either
// case, "*.*" every name. Runs in O(mask × name) at worst.
bool mask_matches(std::string_view mask, std::string_view name);

// How the paths and masks of a system are written. On both "/" separates the parts. On Windows
// "\" does too (no name can hold it) and each byte is a character of the ANSI code page; on POSIX
// a well-formed UTF-8 sequence is one character, as for mask_matches.
enum class PathStyle { posix, windows };

// A mask that leaves files and directories out by their path relative to where a walk starts.
// "*" and "?" stay within one part of the path, ASCII letters match either case, nothing else is
// special: "*.*" is no more than it says. A mask without a separator is matched against the last
// part of a path, at any depth; one with a separator against the whole path from its start, so a
// leading "/" or "./" (dropped, as is a trailing separator) is the way to name the top only.
class PathMask {
 public:
  PathMask(std::string_view mask, PathStyle style);

  // Whether the mask is matched against whole paths rather than their last part.
  bool anchored() const { return anchored_; }
  // Its parts; one for a mask that is not anchored.
  std::size_t parts() const { return parts_.size(); }
  // Whether part `index` of the mask matches `name`, one part of a path.
  bool part_matches(std::size_t index, std::string_view name) const;
  // Whether the mask matches `path`, or a directory on the way to it (whose contents a walk
  // never sees once it leaves the directory out).
  bool covers(std::string_view path) const;

 private:
  std::string mask_;
  std::vector<std::pair<std::size_t, std::size_t>> parts_;  // offset and length in mask_
  bool anchored_ = false;
  PathStyle style_;
};

}  // namespace verolt::text
