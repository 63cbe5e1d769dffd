#include "app/modes.h"

#include <string>
#include <string_view>

#include "app/messages.h"
#include "files/console.h"
#include "files/texts.h"
#include "platform/console.h"

namespace verolt::app {

using files::to_ansi;

namespace {

// The console line of a file that cannot be opened.
void print_cannot_open(const std::string& name) {
  files::print_text(to_ansi(text::kCannotOpenFile));
  files::print_name(name);
  files::print_raw("\n");
}

// The name of the file about to be hashed: into the output file, followed by `separator`, or on
// a console line of its own before the progress of its reading.
void announce(files::OutputFile& output, const std::string& name, std::string_view separator) {
  if (output.is_open()) {
    output.write(name);
    output.write(separator);
    return;
  }
  files::print_name(name);
  files::print_raw("\n");
  files::flush_for_terminal();
}

// A report line about one file in the output file, when there is one.
void log_file_line(files::OutputFile& output, std::string_view message, const std::string& name) {
  if (!output.is_open()) return;
  output.write(to_ansi(message));
  output.write(name);
  output.write("\n");
}

// A Yes/No box about one file; true when the user goes on.
bool ask_to_continue(std::string_view before, const std::string& name, std::string_view title) {
  platform::BoxText box{to_ansi(before), name, to_ansi(text::kContinueQuestion)};
  return platform::message_box(box, to_ansi(title), platform::BoxButtons::YesNo, true);
}

// A file's line in the checksum tools' format: into the output file, or onto standard output
// once the file is hashed, its progress erased, with the name escaped as the console shows names.
void put_checksum_line(files::OutputFile& output, const hash::Value& value,
                       const std::string& name) {
  const std::string line = files::checksum_line(value, name);
  if (output.is_open()) {
    output.write_lf(line);
    return;
  }
  files::print_name(std::string_view(line).substr(0, line.size() - 1));
  files::print_raw("\n");
  files::flush_for_terminal();
}

}  // namespace

int create_hash_list(const RunSettings& settings, files::OutputFile& output, FileHashQueue& files) {
  int result = 0;
  FileItem item;
  hash::Value value{};
  while (files.next(item)) {
    if (!item.listable) {
      (void)files.result(value);  // never hashed: only taken off the queue
      print_cannot_open(item.name);
      result = 2;
      continue;
    }
    // The checksum tools' lists hold only the files hashed, each line written whole.
    if (settings.checksumFormat) {
      if (files.result(value)) {
        put_checksum_line(output, value, item.name);
        continue;
      }
      print_cannot_open(item.name);
      result = 2;
      continue;
    }
    announce(output, item.name, "\t");
    if (files.result(value)) {
      if (output.is_open()) {
        files::write_hash_text(value, output, settings.printFormat);
      } else {
        files::print_hash_text(value, settings.printFormat);
      }
      continue;
    }
    if (output.is_open()) output.write(to_ansi(text::kOpenErrorInList));
    print_cannot_open(item.name);
    result = 2;
  }
  if (files.source().report_read_error()) result = 2;
  return result;
}

int create_stream_hash(const RunSettings& settings, files::OutputFile& output, FileSource& source,
                       filehash::FileHasher& hasher) {
  int result = 0;
  hash::Context context(hasher.engine(), settings.function);
  FileItem item;
  while (source.next(item)) {
    if (item.parse == files::ParseResult::kTotalLine) break;
    if (!item.listable) {
      print_cannot_open(item.name);
      result = 2;
      continue;
    }
    announce(output, item.name, "\n");
    if (hasher.hash_add_file(context, item.path)) continue;
    log_file_line(output, text::kCannotOpenFile, item.name);
    print_cannot_open(item.name);
    result = 2;
  }
  // A stream with a part that could not be read has no total to write.
  if (source.report_read_error()) return 2;
  hash::Value value{};
  context.finish(value);
  if (output.is_open()) {
    output.write(files::kTotalPrefix);
    files::write_hash_text(value, output, settings.printFormat);
  } else {
    files::print_hash_text(value, settings.printFormat);
  }
  return result;
}

int verify_hash_list(files::OutputFile& output, FileHashQueue& files) {
  int result = 0;
  FileItem item;
  hash::Value computed{};
  while (files.next(item)) {
    // The file is hashed before its line is judged: an unopenable file is reported as such.
    std::string_view line;
    std::string_view box;
    std::string_view title = text::kCheckTitle;
    int code = 0;
    if (!files.result(computed)) {
      line = text::kCannotOpenFile;
      box = text::kCannotOpenFile;
      title = text::kBoxTitle;
      code = 2;
    } else if (item.parse == files::ParseResult::kHashLine) {
      if (item.value == computed) continue;
      line = text::kWrongHashLine;
      box = text::kWrongHashBox;
      code = 1;
    } else {
      line = text::kMissingHashLine;
      box = text::kMissingHashBox;
      code = 3;
    }
    log_file_line(output, line, files::report_name(item.name));
    result = code;
    if (!ask_to_continue(box, item.name, title)) return result;
  }
  if (files.source().report_read_error()) result = 2;
  return result;
}

int verify_stream_hash(const RunSettings& settings, files::OutputFile& output, FileSource& source,
                       filehash::FileHasher& hasher) {
  int result = 0;
  hash::Context context(hasher.engine(), settings.function);
  FileItem item;
  bool totalFound = false;
  while (source.next(item)) {
    if (item.parse == files::ParseResult::kTotalLine) {
      totalFound = true;
      break;
    }
    if (hasher.hash_add_file(context, item.path)) continue;
    log_file_line(output, text::kCannotOpenFile, files::report_name(item.name));
    result = 2;
    if (!ask_to_continue(text::kCannotOpenFile, item.name, text::kBoxTitle)) return result;
  }
  // The stream read is not the stream listed: no total is compared.
  if (source.report_read_error()) return 2;
  hash::Value computed{};
  context.finish(computed);
  std::string_view failure;
  if (!totalFound) {
    failure = text::kNoTotalLine;
    result = 3;
  } else if (item.value != computed) {
    failure = text::kWrongStreamHash;
    result = 1;
  } else {
    return result;
  }
  platform::message_box(platform::BoxText{to_ansi(failure), "", ""}, to_ansi(text::kCheckTitle),
                        platform::BoxButtons::Ok, true);
  return result;
}

}  // namespace verolt::app
