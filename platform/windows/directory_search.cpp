// Directory search on Windows: FindFirstFileA, which matches the mask itself.
#include "platform/directory_search.h"

#include "platform/common.h"
#include "platform/windows/win32.h"

namespace verolt::platform {

namespace {

void fill(const WIN32_FIND_DATAA& data, FoundEntry& entry) {
  entry.name = data.cFileName;
  const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // A junction or directory symlink is a reparse point: the walk does not follow it.
  const bool reparse = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.isDirectory = directory && !reparse;
  entry.isLinkedDirectory = directory && reparse;
  entry.size = directory ? 0 : size_of(data.nFileSizeHigh, data.nFileSizeLow);
}

}  // namespace

struct DirectorySearch::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool failed = false;
};

DirectorySearch::DirectorySearch(bool /*sizes*/) : state_(new State) {}

DirectorySearch::~DirectorySearch() {
  if (state_->handle != INVALID_HANDLE_VALUE) FindClose(state_->handle);
  delete state_;
}

bool DirectorySearch::find_first(const std::string& directory, const std::string& mask,
                                 FoundEntry& entry) {
  if (state_->handle != INVALID_HANDLE_VALUE) FindClose(state_->handle);
  WIN32_FIND_DATAA data{};
  const std::string pattern = directory + mask;
  state_->failed = false;
  state_->handle = FindFirstFileA(pattern.c_str(), &data);
  if (state_->handle == INVALID_HANDLE_VALUE) {
    // No match, and a directory that is not there, are no failure, as on POSIX; but a path too
    // long for this API may also be said to be missing.
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_PATH_NOT_FOUND && pattern.size() < MAX_PATH;
    state_->failed = error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES && !missing;
    return false;
  }
  fill(data, entry);
  return true;
}

bool DirectorySearch::find_next(FoundEntry& entry) {
  if (state_->handle == INVALID_HANDLE_VALUE) return false;
  WIN32_FIND_DATAA data{};
  if (!FindNextFileA(state_->handle, &data)) {
    state_->failed = GetLastError() != ERROR_NO_MORE_FILES;
    FindClose(state_->handle);
    state_->handle = INVALID_HANDLE_VALUE;
    return false;
  }
  fill(data, entry);
  return true;
}

bool DirectorySearch::failed() const { return state_->failed; }

}  // namespace verolt::platform
