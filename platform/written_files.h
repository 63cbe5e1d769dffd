// Files written by name: what stood under the name is replaced only by a complete, flushed file,
// and only where a link on the way was laid by this user or by root.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"

namespace verolt::platform {

// A file written under `name`. The bytes go into a new file in the same directory, created
// exclusively, that takes the name only once it is complete and on the disk; until then, and for
// ever if the run fails or is stopped by a signal, the name keeps what it had. A name that did not
// exist holds an empty file meanwhile, so that whatever looks at the name finds the empty file the
// output would be; it goes again when the run fails.
// An output that is no regular file (a FIFO, a device), and a file the user may write in a
// directory where the user may not create files, are written in place.
class WrittenFile {
 public:
  WrittenFile();
  ~WrittenFile();  // an output never committed leaves the name as it was
  WrittenFile(const WrittenFile&) = delete;
  WrittenFile& operator=(const WrittenFile&) = delete;

  // Resolves the name: false when a link on the way belongs to another user. Nothing is created.
  bool prepare(const std::string& name);
  // After prepare: true when a file stands under the name.
  bool exists() const;
  // Identity of the file under the name (the old one, or the empty one that stands in).
  std::optional<FileId> id() const;
  // Creates the new file; false when it cannot be created or the old file may not be written.
  bool create();
  std::FILE* stream() const;
  // The last part of the new file's name, and its identity: it is never selected.
  const std::string& new_leaf() const;
  std::optional<FileId> new_id() const;
  // Flushes the new file to the disk and puts it in place of the name; false when any of that
  // failed, and the name then keeps what it had.
  bool commit();
  // The new file removed, the name left as it was.
  void discard();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A name for the new file beside the file named `leaf` (a last part): "." + leaf + "." + six
// random letters and digits, within the systems' limit on one name. Never the same twice in a
// run, and unlikely to be anybody else's.
std::string new_file_leaf(const std::string& leaf);

// True when both names lead to one existing file (any spelling or link); looked at, not opened.
bool same_existing_file(const std::string& a, const std::string& b);

// Runs `start`, which starts threads, so that they take none of the signals that stop a run: those
// come to the thread that made the outputs, whose handler removes the files they left, and never
// to a thread that is still starting. (Nothing to hold back on Windows.)
void start_without_stop_signals(const std::function<void()>& start);

}  // namespace verolt::platform
