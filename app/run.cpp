#include "app/run.h"

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/audit.h"
#include "app/command_line.h"
#include "app/environment.h"
#include "app/hash_queue.h"
#include "app/messages.h"
#include "app/modes.h"
#include "app/single_file.h"
#include "app/sources.h"
#include "files/console.h"
#include "files/enumeration.h"
#include "files/lists.h"
#include "files/texts.h"
#include "platform/command_line.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/written_files.h"
#include "text/ascii.h"

namespace verolt::app {

namespace {

using files::to_ansi;

void print_cannot_create(const std::string& name) {
  files::print_text(to_ansi(text::kCannotCreate));
  files::print_argument(name);
  files::print_raw("\n");
}

// Asks before an existing output file is overwritten; false ends the run. A FIFO, a device or a
// socket holds no contents to lose, and a question there would stall every pipeline.
bool may_overwrite(const std::string& name) {
  if (!files::file_exists(name) || platform::is_stream_device(name)) return true;
  files::print_text(to_ansi(text::kFileWord));
  files::print_argument(name);
  files::print_text(to_ansi(text::kOverwriteQuestion));
  files::flush_output();
  const auto answer = platform::read_input_line();
  return answer && verolt::text::is_yes_answer(*answer);
}

// The list this run reads; an output that is that list would destroy it before it is read.
bool output_is_a_list(const RunSettings& settings) {
  return settings.mode.reads_list() &&
         platform::same_existing_file(*settings.outputName, settings.listName);
}

// Runs that end before a mode still leave what they wrote in place of the old output: nothing,
// or the "not found" line.
int end_early(const RunSettings& settings, files::OutputFile& output, int exitCode) {
  if (output.is_open() && !output.close()) {
    print_cannot_create(*settings.outputName);
    return 3;
  }
  return exitCode;
}

// The mode over the files of its source.
int run_mode(const RunSettings& settings, files::OutputFile& output, FileSource& source,
             filehash::ProgressState& progress) {
  const RunMode::Kind kind = settings.mode.kind();
  switch (kind) {
    case RunMode::Kind::kHashList:
    case RunMode::Kind::kVerifyList: {
      // The files this run writes are read at their turn, as one thread reads them.
      std::vector<platform::FileId> ownFiles;
      for (const auto& id :
           {output.id(), platform::standard_stream_id(false), platform::standard_stream_id(true)}) {
        if (id) ownFiles.push_back(*id);
      }
      // Verification may show a box for any file, so it never waits for the files after it.
      const bool verify = kind == RunMode::Kind::kVerifyList;
      FileHashQueue files(source, environment().engine, settings.function, progress,
                          environment().threads, std::move(ownFiles), !verify);
      return verify ? verify_hash_list(output, files) : create_hash_list(settings, output, files);
    }
    case RunMode::Kind::kStreamHash:
    case RunMode::Kind::kStreamOfHashList:
    case RunMode::Kind::kVerifyStream: {
      // One chain of steps: the stream is hashed on this thread, file after file.
      filehash::FileHasher hasher(environment().engine, &progress);
      return kind == RunMode::Kind::kVerifyStream
                 ? verify_stream_hash(settings, output, source, hasher)
                 : create_stream_hash(settings, output, source, hasher);
    }
    case RunMode::Kind::kAudit:
      break;  // selects and compares on its own: run_audit
  }
  return 0;
}

int run_modes(const RunSettings& settings) {
  files::OutputFile output;
  // A list from standard input is read whole before anything is hashed, so the overwrite question
  // must not take its first line, nor hide the rest in the input buffer: it finds end of input.
  if (settings.mode.reads_list() && platform::list_is_standard_input(settings.listName)) {
    platform::end_input();
  }
  // Before any question: an output reached through another user's link, or that is a list the
  // run reads, is never written.
  if (settings.outputName &&
      (!output.prepare(*settings.outputName) || output_is_a_list(settings))) {
    print_cannot_create(*settings.outputName);
    return 3;
  }
  // An audit reads its list before the report is opened: a list that cannot be read leaves an
  // old report alone, and a report that is the list itself is refused before it empties it.
  const bool audit = settings.mode.kind() == RunMode::Kind::kAudit;
  AuditList audited;
  if (audit) {
    if (!read_audit_list(settings, audited)) return 3;
    if (report_is_list(settings, audited)) {
      print_cannot_create(*settings.outputName);
      return 3;
    }
  }
  if (settings.outputName) {
    if (!may_overwrite(*settings.outputName)) return 100;
    if (!output.open()) {
      print_cannot_create(*settings.outputName);
      return 3;
    }
  }
  if (audit) return run_audit(settings, audited, output);
  // A hash list in the checksum tools' format, which their checks read: no line of the program's
  // own in it, from a selection that finds nothing to the trailer of a failed run.
  if (settings.checksumFormat && settings.mode.kind() == RunMode::Kind::kHashList) {
    output.take_checksum_lines_only();
  }

  filehash::ProgressState progress;
  int exitCode = 0;
  const bool fromList = settings.mode.from_list();
  std::unique_ptr<FileSource> source =
      fromList ? FileSource::from_list(settings, progress, exitCode)
               : FileSource::from_mask(settings, output, progress, exitCode);
  if (!source) return end_early(settings, output, exitCode);

  const int result = run_mode(settings, output, *source, progress);
  if (result != 0) {
    const std::string summary = to_ansi(fromList ? text::kNotAllFromList : text::kNotAllFromMask);
    output.write(summary);
    files::print_text(summary);
  }
  if (output.is_open()) {
    // A full disk shows only here, when the buffered bytes must reach the file; the old file then
    // stays as it was.
    if (!output.close()) {
      print_cannot_create(*settings.outputName);
      return 3;
    }
    files::print_text(to_ansi(text::kCreated));
    files::print_argument(*settings.outputName);
    files::print_raw("\n");
  }
  return result;
}

// The banner's first line, the package's version, then the engine and thread count that a run
// would use.
void print_version() {
  const std::string banner = banner_text();
  files::print_text(banner.substr(0, banner.find('\n') + 1));
  files::print_text(to_ansi(text::kVersionPackage));
  files::print_raw(VEROLT_PACKAGE_VERSION "\n");
  files::print_text(to_ansi(text::kVersionEngine));
  files::print_text(
      engine_label(environment().engine, to_ansi(text::kVersionStreamEngine), to_ansi(")")));
  files::print_text(to_ansi(text::kVersionThreads));
  files::print_raw(std::to_string(environment().threads) + "\n");
}

int run_arguments(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  int exitCode = 100;
  try {
    if (args.empty()) {
      files::print_text(banner_text());
      files::print_text(short_usage_text());
    } else if (args.size() == 1 && args.front() == "--help") {
      // Alone, the words every Linux user types first; beside anything else they stay operands.
      // The usage of "/?", then the newer options and the environment.
      files::print_text(banner_text() + short_usage_text() + full_usage_text() + additions_text());
      exitCode = 0;
    } else if (args.size() == 1 && args.front() == "--version") {
      print_version();
      exitCode = 0;
    } else {
      const ParsedArguments parsed = parse_arguments(args);
      switch (parsed.outcome) {
        case ParsedArguments::Outcome::Exit:
          exitCode = parsed.exitCode;
          break;
        case ParsedArguments::Outcome::SingleFile:
          exitCode = run_single_file_mode(parsed.settings.function,
                                          platform::whole_command_line(argc, argv));
          break;
        case ParsedArguments::Outcome::Run:
          exitCode = run_modes(parsed.settings);
          break;
      }
    }
  } catch (const files::EntryTableFull& full) {
    // The number this message has always given: the bytes of a table of four-byte slots that
    // grows 2000 at a time. This table's records are larger; scripts may read the number still.
    files::print_raw("\nbad memory, new_size=" + std::to_string(4 * (full.entries + 2000)) + "\n");
    exitCode = 100;
  } catch (const std::bad_alloc&) {
    files::print_raw("\nbad memory\n");
    exitCode = 100;
  }
  return exitCode;
}

}  // namespace

int run(int argc, char** argv) {
  platform::initialise_console();
  platform::use_console_boxes(console_boxes_wanted());
  try {
    const int exitCode = run_arguments(argc, argv);
    files::flush_output();
    return exitCode;
  } catch (const files::OutputWriteError& failure) {
    // A list cut short by a full disk must not pass for a whole one. A closed pipe never gets
    // here: SIGPIPE ends the program first, quietly, as it ends any filter.
    files::print_error(files::to_console_text(to_ansi(text::kStandardOutputFailed)) + ": " +
                       std::generic_category().message(failure.error) + "\n");
    return 3;
  }
}

}  // namespace verolt::app
