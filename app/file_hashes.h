// The files of a source, each with its hash, in source order: hashed ahead on worker threads
// (app/hash_queue.h) or in place, when asked for (app/hash_in_place.h). Nothing a user sees tells
// the two apart.
#pragma once

#include "hash/function.h"

namespace verolt::app {

struct FileItem;

class FileHashes {
 public:
  virtual ~FileHashes() = default;
  // The next file in source order; false after the last.
  virtual bool next(FileItem& item) = 0;
  // The hash of the file `next` gave, showing its progress meanwhile; false when it could not
  // be opened or read, or cannot be listed (it is then not read). Throws std::bad_alloc when the
  // memory ran out, on whichever thread hashed it.
  virtual bool result(hash::Value& value) = 0;

 protected:
  FileHashes() = default;
  FileHashes(const FileHashes&) = default;
  FileHashes& operator=(const FileHashes&) = default;
};

}  // namespace verolt::app
