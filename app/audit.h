// The audit of a tree against a stored hash list: the files a mask run would select, hashed with
// the run's function and compared with the list, in the order a fresh list would have. Made for
// scripts: a line for each difference, a summary line last, no boxes.
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"
#include "files/lists.h"
#include "hash/function.h"
#include "platform/files.h"

namespace verolt::app {

// The stored list, read whole before the report is opened, so that a list that cannot be read
// leaves an old report as it was.
struct AuditList {
  struct Line {
    std::string name;  // as the list holds it, and as every report shows it
    hash::Value value;
    bool usable = false;      // the line held a value of the run's function
    bool openFailed = false;  // it holds the mark of a file that could not be opened
    bool matched = false;
  };
  std::vector<Line> lines;  // each name once: its first line counts
  platform::FileId id{};
};

// False, with the console line said, when the list cannot be opened.
bool read_audit_list(const RunSettings& settings, AuditList& list);

// The report named is the stored list itself, which writing it would destroy.
bool report_is_list(const RunSettings& settings, const AuditList& list);

// 0 when nothing differs; else the largest of 1 (changed, absent, new), 2 (unreadable) and
// 3 (listed lines without a usable value, a report that cannot be written). `output` is the
// report, opened after its question, or not open: the lines go to the console.
int run_audit(const RunSettings& settings, AuditList& list, files::OutputFile& output);

}  // namespace verolt::app
