// Where the files of a run come from, as the hashing sees it: one after another, in order.
#pragma once

namespace verolt::app {

struct FileItem;

class JobSource {
 public:
  virtual ~JobSource() = default;
  // The next file in order; false after the last.
  virtual bool next(FileItem& item) = 0;

 protected:
  JobSource() = default;
  JobSource(const JobSource&) = default;
  JobSource& operator=(const JobSource&) = default;
};

}  // namespace verolt::app
