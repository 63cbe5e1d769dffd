// Written files on Windows: a new file beside the old one, FlushFileBuffers, ReplaceFileA (which
// keeps the old file's attributes) or MoveFileExA with write-through; links and junctions checked
// for their owner on the way.
#include "platform/written_files.h"

#include <fcntl.h>
#include <io.h>

#include <atomic>

#include "platform/common.h"
#include "platform/windows/trusted_path.h"
#include "platform/windows/win32.h"

namespace verolt::platform {

namespace {

// The new file and the stand-in to delete when Ctrl+C or the closing console ends the run. The
// handler runs on a thread of its own while the run goes on, so the names are published whole.
std::atomic<const char*> pendingNew{nullptr};
std::atomic<const char*> pendingStandIn{nullptr};

BOOL WINAPI remove_pending(DWORD /*event*/) {
  if (const char* name = pendingNew.exchange(nullptr)) DeleteFileA(name);
  if (const char* name = pendingStandIn.exchange(nullptr)) DeleteFileA(name);
  // The system's own handler then ends the process with STATUS_CONTROL_C_EXIT.
  return FALSE;
}

void install_stop_handler() {
  static const bool installed = SetConsoleCtrlHandler(remove_pending, TRUE) != 0;
  (void)installed;
}

std::optional<FileId> id_of_name(const std::string& name) {
  const HANDLE handle =
      CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  const FileId id = id_of(handle);
  CloseHandle(handle);
  if (id == FileId{}) return std::nullopt;
  return id;
}

std::FILE* stream_of(HANDLE handle) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

}  // namespace

struct WrittenFile::State {
  std::string name;  // as resolved: the file that is replaced
  bool prepared = false;
  bool existed = false;
  bool isStream = false;  // a device or a pipe
  bool inPlace = false;
  std::optional<FileId> oldId;
  std::string standIn;  // the empty file this run put under the name, if any
  std::string newName;
  std::string newLeaf;
  std::optional<FileId> newId;
  std::FILE* file = nullptr;

  void close_file() {
    if (file != nullptr) (void)std::fclose(file);
    file = nullptr;
  }
  void remove_new() {
    pendingNew = nullptr;
    if (!newName.empty()) DeleteFileA(newName.c_str());
    newName.clear();
    newLeaf.clear();
    newId.reset();
  }
  void remove_stand_in() {
    pendingStandIn = nullptr;
    if (!standIn.empty()) DeleteFileA(standIn.c_str());
    standIn.clear();
  }
};

WrittenFile::WrittenFile() : state_(std::make_unique<State>()) {}

WrittenFile::~WrittenFile() { discard(); }

bool WrittenFile::prepare(const std::string& name) {
  discard();
  *state_ = State{};
  if (holds_nul(name)) {
    state_->prepared = true;
    return true;  // create() fails, as the system would
  }
  if (!links_trusted(name)) return false;
  State& s = *state_;
  s.prepared = true;
  s.name = name;
  s.isStream = is_stream_device(name);
  const DWORD attributes = GetFileAttributesA(name.c_str());
  s.existed = attributes != INVALID_FILE_ATTRIBUTES || s.isStream;
  if (s.existed && !s.isStream) s.oldId = id_of_name(name);
  return true;
}

bool WrittenFile::exists() const { return state_->existed; }

std::optional<FileId> WrittenFile::id() const {
  if (state_->oldId) return state_->oldId;
  if (!state_->standIn.empty()) return id_of_name(state_->standIn);
  return std::nullopt;
}

const std::string& WrittenFile::new_leaf() const { return state_->newLeaf; }

std::optional<FileId> WrittenFile::new_id() const { return state_->newId; }

std::FILE* WrittenFile::stream() const { return state_->file; }

bool WrittenFile::create() {
  State& s = *state_;
  if (!s.prepared || s.name.empty() || s.file != nullptr) return false;
  if (s.isStream) {
    s.inPlace = true;
    s.file = std::fopen(s.name.c_str(), "wb");
    return s.file != nullptr;
  }
  const DWORD attributes = GetFileAttributesA(s.name.c_str());
  if (s.existed) {
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
      return false;
    }
    // May the user write it? Asked without emptying it.
    const HANDLE probe = CreateFileA(s.name.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return false;
    CloseHandle(probe);
  } else {
    const HANDLE standIn = CreateFileA(s.name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (standIn == INVALID_HANDLE_VALUE) return false;
    CloseHandle(standIn);
    s.standIn = s.name;
    install_stop_handler();
    pendingStandIn = s.standIn.c_str();
  }
  std::size_t cut = s.name.size();
  while (cut > 0 && s.name[cut - 1] != '\\' && s.name[cut - 1] != '/' && s.name[cut - 1] != ':') {
    --cut;
  }
  const std::string leaf = s.name.substr(cut);
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    s.newLeaf = new_file_leaf(leaf);
    s.newName = s.name.substr(0, cut) + s.newLeaf;
    handle = CreateFileA(s.newName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (handle == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS &&
        error != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    s.newName.clear();
    s.newLeaf.clear();
    if (!(error == ERROR_ACCESS_DENIED && s.existed)) {
      s.remove_stand_in();
      return false;
    }
    // A file the user may write in a directory where the user may not create one.
    s.inPlace = true;
    s.file = std::fopen(s.name.c_str(), "wb");
    return s.file != nullptr;
  }
  install_stop_handler();
  pendingNew = s.newName.c_str();
  s.newId = id_of(handle);
  s.file = stream_of(handle);
  if (s.file == nullptr) {
    s.remove_new();
    s.remove_stand_in();
    return false;
  }
  return true;
}

bool WrittenFile::commit() {
  State& s = *state_;
  if (s.file == nullptr) return false;
  bool ok = std::fflush(s.file) == 0 && std::ferror(s.file) == 0;
  if (ok && !s.isStream) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(s.file)));
    ok = FlushFileBuffers(handle) != 0;
  }
  ok = std::fclose(s.file) == 0 && ok;
  s.file = nullptr;
  if (ok && !s.inPlace) {
    // ReplaceFileA keeps the old file's attributes and security; a stand-in has none to keep.
    ok = ReplaceFileA(s.name.c_str(), s.newName.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                      nullptr, nullptr) != 0 ||
         MoveFileExA(s.newName.c_str(), s.name.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (ok) {
      pendingNew = nullptr;
      pendingStandIn = nullptr;
      s.newName.clear();
      s.standIn.clear();
    }
  }
  if (!ok) discard();
  return ok;
}

void WrittenFile::discard() {
  State& s = *state_;
  s.close_file();
  s.remove_new();
  s.remove_stand_in();
}

void start_without_stop_signals(const std::function<void()>& start) { start(); }

bool same_existing_file(const std::string& a, const std::string& b) {
  if (holds_nul(a) || holds_nul(b)) return false;
  const std::optional<FileId> x = id_of_name(a);
  return x && x == id_of_name(b);
}

}  // namespace verolt::platform
