// Written files on POSIX systems: a new file beside the old one, fsync, renameat; the names that
// a signal must clean up kept where its handler can reach them without allocating.
#include "platform/written_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

#include "platform/common.h"
#include "platform/posix/trusted_path.h"

namespace verolt::platform {

namespace {

// ---- what a signal leaves behind ----

// A file to remove when a signal ends the run: a new file, or the empty one that stands in for an
// output that did not exist (removed only while it is still that file).
struct Pending {
  std::atomic<int> directory{-1};
  std::atomic<const char*> leaf{nullptr};
  std::atomic<bool> checkIdentity{false};
  std::atomic<dev_t> device{0};
  std::atomic<ino_t> inode{0};
};

// The run's output and its stand-in, or a hash file and its stand-in: one pair at a time.
std::array<Pending, 4> pendingFiles;

constexpr std::array<int, 6> kStopSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ};

extern "C" void remove_pending_and_stop(int signal) {
  const int saved = errno;
  for (Pending& pending : pendingFiles) {
    const char* leaf = pending.leaf.load();
    const int directory = pending.directory.load();
    if (leaf == nullptr || directory < 0) continue;
    if (pending.checkIdentity.load()) {
      struct stat st {};
      if (::fstatat(directory, leaf, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
          st.st_dev != pending.device.load() || st.st_ino != pending.inode.load()) {
        continue;
      }
    }
    (void)::unlinkat(directory, leaf, 0);
  }
  errno = saved;
  // SA_RESETHAND has put the default action back and SA_NODEFER leaves the signal unblocked: the
  // process ends by it, as the shell expects.
  (void)::raise(signal);
}

void install_stop_handlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (const int signal : kStopSignals) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) != 0) continue;
    // A signal ignored by whoever started the run (nohup) stays ignored.
    if (old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = remove_pending_and_stop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    (void)::sigaction(signal, &action, nullptr);
  }
}

// The stop signals held back from the making of a file until its name is held for the handler:
// one that fell between the two would leave the file behind. A signal that comes meanwhile is
// delivered when they are let go. Outputs are made before any other thread runs, so the main
// thread's mask is the process's.
class StopSignalsHeld {
 public:
  StopSignalsHeld() {
    install_stop_handlers();
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kStopSignals) sigaddset(&set, signal);
    held_ = ::pthread_sigmask(SIG_BLOCK, &set, &old_) == 0;
  }
  ~StopSignalsHeld() {
    if (held_) (void)::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

 private:
  sigset_t old_{};
  bool held_ = false;
};

Pending* hold(int directory, const std::string& leaf, const struct stat* identity) {
  install_stop_handlers();
  for (Pending& pending : pendingFiles) {
    if (pending.leaf.load() != nullptr) continue;
    pending.checkIdentity = identity != nullptr;
    if (identity != nullptr) {
      pending.device = identity->st_dev;
      pending.inode = identity->st_ino;
    }
    pending.directory = directory;
    pending.leaf = leaf.c_str();
    return &pending;
  }
  return nullptr;
}

void release(Pending*& pending) {
  if (pending == nullptr) return;
  pending->leaf = nullptr;
  pending->directory = -1;
  pending = nullptr;
}

FileId id_of(const struct stat& st) {
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Writes must wait for a slow reader of a pipe; the open must not wait for a reader that never
// comes.
bool clear_nonblocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

struct WrittenFile::State {
  TrustedPath path;
  bool prepared = false;
  bool existed = false;
  struct stat old {};
  bool inPlace = false;
  bool standIn = false;  // the empty file under the name is this run's
  struct stat standInStat {};
  std::string newLeaf;
  struct stat newStat {};
  std::FILE* file = nullptr;
  Pending* pendingNew = nullptr;
  Pending* pendingStandIn = nullptr;

  void remove_new() {
    release(pendingNew);
    if (!newLeaf.empty()) (void)::unlinkat(path.directory.get(), newLeaf.c_str(), 0);
    newLeaf.clear();
  }
  void remove_stand_in() {
    release(pendingStandIn);
    if (!standIn) return;
    standIn = false;
    struct stat st {};
    if (::fstatat(path.directory.get(), path.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        st.st_dev == standInStat.st_dev && st.st_ino == standInStat.st_ino) {
      (void)::unlinkat(path.directory.get(), path.leaf.c_str(), 0);
    }
  }
  void close_file() {
    if (file != nullptr) (void)std::fclose(file);
    file = nullptr;
  }
};

WrittenFile::WrittenFile() : state_(std::make_unique<State>()) {}

WrittenFile::~WrittenFile() { discard(); }

bool WrittenFile::prepare(const std::string& name) {
  discard();
  *state_ = State{};
  if (resolve_trusted(name, state_->path) == Resolution::planted) return false;
  state_->prepared = true;
  if (!state_->path.directory.valid()) return true;  // no such directory: create() fails
  const int flags = state_->path.followLeaf ? 0 : AT_SYMLINK_NOFOLLOW;
  state_->existed =
      ::fstatat(state_->path.directory.get(), state_->path.leaf.c_str(), &state_->old, flags) == 0;
  return true;
}

bool WrittenFile::exists() const { return state_->existed; }

std::optional<FileId> WrittenFile::id() const {
  if (state_->existed) return id_of(state_->old);
  if (state_->standIn) return id_of(state_->standInStat);
  return std::nullopt;
}

const std::string& WrittenFile::new_leaf() const { return state_->newLeaf; }

std::optional<FileId> WrittenFile::new_id() const {
  if (state_->newLeaf.empty()) return std::nullopt;
  return id_of(state_->newStat);
}

std::FILE* WrittenFile::stream() const { return state_->file; }

bool WrittenFile::create() {
  State& s = *state_;
  if (!s.prepared || !s.path.directory.valid() || s.file != nullptr) return false;
  const int directory = s.path.directory.get();
  const char* leaf = s.path.leaf.c_str();
  int fd = -1;
  const bool regular = s.existed && S_ISREG(s.old.st_mode);
  if (s.existed && S_ISDIR(s.old.st_mode)) return false;
  if (s.path.followLeaf || (s.existed && !regular)) {
    // A FIFO, a device, an open file of /proc: nothing to replace, written as it stands.
    // O_NONBLOCK: a FIFO that nobody reads is refused instead of waited for.
    s.inPlace = true;
    fd = open_resolved(s.path, O_WRONLY | O_NONBLOCK | (regular ? O_TRUNC : 0));
    if (fd < 0 || !clear_nonblocking(fd)) {
      if (fd >= 0) ::close(fd);
      return false;
    }
  } else {
    if (regular && ::faccessat(directory, leaf, W_OK, AT_EACCESS) != 0) return false;
    const StopSignalsHeld held;
    if (!s.existed) {
      // The empty file the name holds until the new one takes its place.
      const int standIn = open_resolved(s.path, O_WRONLY | O_CREAT | O_EXCL, 0666);
      if (standIn < 0) return false;
      const bool described = ::fstat(standIn, &s.standInStat) == 0;
      ::close(standIn);
      s.standIn = true;
      if (!described) {
        s.remove_stand_in();
        return false;
      }
      s.pendingStandIn = hold(directory, s.path.leaf, &s.standInStat);
    }
    const struct stat& model = s.existed ? s.old : s.standInStat;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      s.newLeaf = new_file_leaf(s.path.leaf);
      fd = ::openat(directory, s.newLeaf.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
      const bool mayNotCreate = errno == EACCES || errno == EPERM;
      s.newLeaf.clear();
      if (!(mayNotCreate && regular)) {
        s.remove_stand_in();
        return false;
      }
      // A file the user may write in a directory where the user may not create one.
      s.inPlace = true;
      fd = open_resolved(s.path, O_WRONLY | O_TRUNC);
      if (fd < 0) return false;
    } else {
      s.pendingNew = hold(directory, s.newLeaf, nullptr);
      // The old file's owner (for root), group and permission bits, set before any byte is
      // written, so that the contents are never more readable than the old ones were.
      if (::geteuid() == 0) {
        (void)::fchown(fd, model.st_uid, model.st_gid);
      } else {
        (void)::fchown(fd, static_cast<uid_t>(-1), model.st_gid);
      }
      if (::fchmod(fd, model.st_mode & 07777) != 0 || ::fstat(fd, &s.newStat) != 0) {
        ::close(fd);
        s.remove_new();
        s.remove_stand_in();
        return false;
      }
    }
  }
  s.file = ::fdopen(fd, "wb");
  if (s.file == nullptr) {
    ::close(fd);
    discard();
    return false;
  }
  return true;
}

bool WrittenFile::commit() {
  State& s = *state_;
  if (s.file == nullptr) return false;
  bool ok = std::fflush(s.file) == 0 && std::ferror(s.file) == 0;
  // A pipe or a terminal has no disk to reach.
  if (ok && ::fsync(::fileno(s.file)) != 0 && !(s.inPlace && (errno == EINVAL || errno == EROFS))) {
    ok = false;
  }
  ok = std::fclose(s.file) == 0 && ok;
  s.file = nullptr;
  if (ok && !s.inPlace) {
    ok = ::renameat(s.path.directory.get(), s.newLeaf.c_str(), s.path.directory.get(),
                    s.path.leaf.c_str()) == 0;
    if (ok) {
      release(s.pendingNew);
      release(s.pendingStandIn);
      s.newLeaf.clear();
      s.standIn = false;
      // The rename itself reaches the disk with its directory.
      (void)::fsync(s.path.directory.get());
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

void start_without_stop_signals(const std::function<void()>& start) {
  const StopSignalsHeld held;
  start();
}

bool same_existing_file(const std::string& a, const std::string& b) {
  struct stat x {};
  struct stat y {};
  if (holds_nul(a) || holds_nul(b)) return false;
  return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
         x.st_ino == y.st_ino;
}

}  // namespace verolt::platform
