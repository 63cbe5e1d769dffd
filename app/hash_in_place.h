// Files hashed on the calling thread, one after another, each when its result is asked for: what
// a run does when no worker thread can be started, and what the queue's tests hold it to.
#pragma once

#include "app/file_hashes.h"
#include "app/job_source.h"
#include "app/sources.h"
#include "filehash/file_hasher.h"

namespace verolt::app {

class InPlaceHashes final : public FileHashes {
 public:
  InPlaceHashes(JobSource& source, hash::Engine engine, hash::Function function,
                filehash::ProgressState& progress);

  bool next(FileItem& item) override;
  bool result(hash::Value& value) override;

 private:
  JobSource& source_;
  hash::Function function_;
  filehash::FileHasher hasher_;  // shows progress as it reads
  FileItem item_;
};

}  // namespace verolt::app
