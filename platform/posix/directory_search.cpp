// Directory search on POSIX systems: the listing read with readdir, matched against the mask
// here, since the system filters nothing.
#include "platform/directory_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/common.h"
#include "text/mask.h"

namespace verolt::platform {

struct DirectorySearch::State {
  DIR* dir = nullptr;
  std::string mask;
  bool sizes = true;
  bool failed = false;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() { close(); }

  void close() {
    if (dir != nullptr) {
      closedir(dir);
      dir = nullptr;
    }
  }
};

namespace {

// Fills `entry` for `name` in the open directory; false when the entry has vanished since the
// directory was read.
bool describe(DIR* dir, const dirent& found, bool sizes, FoundEntry& entry) {
  entry = FoundEntry{};
  entry.name = found.d_name;
  // The listing tells plain files and directories apart; only links, unknown types and sizes
  // need a status call.
  if (!sizes && (found.d_type == DT_REG || found.d_type == DT_DIR)) {
    entry.isDirectory = found.d_type == DT_DIR;
    return true;
  }
  const int fd = dirfd(dir);
  struct stat st {};
  if (fstatat(fd, found.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) {
      return false;
    }
    // Listed but not examinable (a directory that may be read but not searched): take what the
    // listing says, so the name still shows up and fails where it is used.
    entry.isDirectory = found.d_type == DT_DIR;
    return true;
  }
  if (S_ISDIR(st.st_mode)) {
    entry.isDirectory = true;
  } else if (S_ISLNK(st.st_mode)) {
    struct stat target {};
    if (fstatat(fd, found.d_name, &target, 0) == 0) {
      if (S_ISDIR(target.st_mode)) {
        entry.isLinkedDirectory = true;
      } else {
        entry.size = size_of(target.st_size);
      }
    }
    // A dangling link stays a file of size 0: opening it will fail and be reported.
  } else {
    entry.size = size_of(st.st_size);
  }
  return true;
}

}  // namespace

DirectorySearch::DirectorySearch(bool sizes) : state_(new State) { state_->sizes = sizes; }

DirectorySearch::~DirectorySearch() { delete state_; }

bool DirectorySearch::find_first(const std::string& directory, const std::string& mask,
                                 FoundEntry& entry) {
  state_->close();
  state_->mask = mask;
  state_->failed = false;
  state_->dir = opendir(directory.empty() ? "." : directory.c_str());
  if (state_->dir == nullptr) {
    // A directory that is not there, or a name that is no directory, holds nothing to search.
    state_->failed = errno != ENOENT && errno != ENOTDIR;
    return false;
  }
  return find_next(entry);
}

bool DirectorySearch::find_next(FoundEntry& entry) {
  if (state_->dir == nullptr) {
    return false;
  }
  for (;;) {
    // readdir tells its end from an error only by errno.
    errno = 0;
    const dirent* found = readdir(state_->dir);
    if (found == nullptr) {
      state_->failed = errno != 0;
      state_->close();
      return false;
    }
    if (text::mask_matches(state_->mask, found->d_name) &&
        describe(state_->dir, *found, state_->sizes, entry)) {
      return true;
    }
  }
}

bool DirectorySearch::failed() const { return state_->failed; }

}  // namespace verolt::platform
