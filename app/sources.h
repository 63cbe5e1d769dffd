// The two sources of files: a path and mask (through subdirectories with /r), or a list file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/job_source.h"
#include "filehash/file_hasher.h"
#include "files/enumeration.h"
#include "files/hash_text.h"
#include "files/lists.h"

namespace verolt::app {

// One file to process: its name and, from a list, what its line carried.
struct FileItem {
  std::string name;  // as the source gives it, and as every report shows it
  std::string path;  // what is opened: the name, or its other build's form (listed names only)
  files::ParseResult parse = files::ParseResult::kNameOnly;
  hash::Value value{};
  // False for a name that a list line cannot carry: it is neither hashed nor written, and is
  // reported as a file that cannot be opened, so no list is written that fails its own check.
  bool listable = true;
};

// The console line of a list that cannot be opened or read to its end.
void print_cannot_open_list(const std::string& name);

class FileSource final : public JobSource {
 public:
  // The files a mask selects, sorted, the output file left out; the progress total set.
  // Nothing (and `exitCode` set) when no file matches, unless `emptyIsError` is false.
  static std::unique_ptr<FileSource> from_mask(const RunSettings& settings,
                                               files::OutputFile& output,
                                               filehash::ProgressState& progress, int& exitCode,
                                               bool emptyIsError = true);
  // The lines of the list file, after a pre-pass that sets the progress total. Nothing (and
  // `exitCode` set) when the list cannot be opened.
  static std::unique_ptr<FileSource> from_list(const RunSettings& settings,
                                               filehash::ProgressState& progress, int& exitCode);

  bool is_list() const { return isList_; }
  // After the last file: when the list could not be read to its end, says so on the console
  // and returns true. Whatever the lines before the failure gave, the run has not seen them all.
  bool report_read_error() const;
  // The next file in order; false after the last.
  bool next(FileItem& item) override;
  // Every name a mask source will give, in order, without taking them.
  void visit_names(const std::function<void(const std::string&)>& visit) const;
  // The directories a mask source's walk selected but could not read whole, relative to its
  // prefix (empty: the starting directory), in the order of the walk.
  const std::vector<std::string>& unreadable_directories() const { return unreadable_; }

 private:
  FileSource() = default;

  bool isList_ = false;
  bool namesList_ = false;  // a list of names only (/l), whose names are written into lists
  files::PrintFormat format_ = files::PrintFormat::p2;
  hash::Function function_;
  std::string prefix_;
  std::string listName_;
  files::FileTable files_;
  std::vector<std::string> unreadable_;
  std::size_t position_ = 0;
  files::ListReader list_;
  std::string line_;
};

}  // namespace verolt::app
