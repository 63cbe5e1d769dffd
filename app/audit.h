// The audit of a tree against a stored hash list: the files a mask run would select, hashed with
// the run's function and compared with the list, in the order a fresh list would have. Made for
// scripts: a line for each difference, a summary line last, no boxes.
#pragma once

#include "app/command_line.h"
#include "files/lists.h"

namespace verolt::app {

// 0 when nothing differs; else the largest of 1 (changed, absent, new), 2 (unreadable) and
// 3 (listed lines without a usable value, an unreadable list, a report that cannot be written).
// `output` is the report, opened after its question, or not open: the lines go to the console.
int run_audit(const RunSettings& settings, files::OutputFile& output);

}  // namespace verolt::app
