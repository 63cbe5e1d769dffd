#include "app/sources.h"

#include <optional>
#include <utility>

#include "app/messages.h"
#include "files/console.h"
#include "files/texts.h"
#include "platform/console.h"
#include "platform/file_names.h"
#include "platform/files.h"

namespace verolt::app {

using files::to_ansi;

void print_cannot_open_list(const std::string& name) {
  files::print_text(to_ansi(text::kCannotOpenList));
  files::print_argument(name);
  files::print_raw("\n");
}

namespace {

// A list written by the other build names its files in that build's form: a name missing as
// listed is looked for once more in this build's form.
std::string resolve_listed(const std::string& name) {
  std::optional<std::string> other = platform::other_build_name(name);
  if (!other || platform::listed_file_size(name) || !platform::listed_file_size(*other)) {
    return name;
  }
  return std::move(*other);
}

// A name is written into a list line followed by a TAB or a line end, and read back up to them.
bool fits_list_line(std::string_view name, std::string_view breaks) {
  return name.find_first_of(breaks) == std::string_view::npos;
}

}  // namespace

std::unique_ptr<FileSource> FileSource::from_mask(const RunSettings& settings,
                                                  files::OutputFile& output,
                                                  filehash::ProgressState& progress, int& exitCode,
                                                  bool emptyIsError) {
  const files::Target target = files::split_target(settings.maskArg.value_or("*.*"));
  std::unique_ptr<FileSource> source(new FileSource());
  source->prefix_ = target.prefix;
  source->files_ = files::find_files(
      target.mask, target.prefix, target.prefix.size(),
      {settings.recursive, settings.dotDirectories, progress.shown(),
       files::Exclusions(settings.excludes)},
      [] { platform::console_write("."); }, &source->unreadable_);
  files::FileTable& table = source->files_;
  if (table.empty() && emptyIsError) {
    const std::string message = to_ansi(text::kNoFilesFound);
    output.write(message);
    files::print_text(message);
    exitCode = 100;
    return nullptr;
  }
  // Ends the line of walk dots.
  if (table.size() > 100) platform::console_write("\n");
  table.sort();

  // Only an exact textual match is the output file; another spelling of it is hashed. The new
  // file that will take its name is no file of the tree: known by its name, made sure of by its
  // identity.
  if (settings.outputName) {
    const std::string& outputName = *settings.outputName;
    const std::string& newLeaf = output.new_leaf();
    const std::optional<platform::FileId> newId = output.new_id();
    std::string path;
    table.remove_if([&](const files::FileEntry& entry) {
      files::entry_path(target.prefix, entry, path);
      if (path == outputName) return true;
      if (newLeaf.empty() || entry.name != newLeaf) return false;
      platform::InputFile file;
      return file.open(path) && newId && file.id() == *newId;
    });
  }
  progress.progress_set_total(table.total_size());
  return source;
}

namespace {

// One line of a list as its format has it; the checksum tools' lines have no total line.
files::ParseResult parse_list_line(const files::ListReader& list, std::string& line,
                                   hash::Function function, files::PrintFormat format,
                                   hash::Value& value) {
  return list.checksum_lines() ? files::parse_checksum_line(line, function, value)
                               : files::parse_hash_line(line, function, value, format);
}

}  // namespace

std::unique_ptr<FileSource> FileSource::from_list(const RunSettings& settings,
                                                  filehash::ProgressState& progress,
                                                  int& exitCode) {
  std::unique_ptr<FileSource> source(new FileSource());
  source->isList_ = true;
  // The lists of /l hold names only; those of /t and /f hold values beside them.
  const RunMode::Kind kind = settings.mode.kind();
  source->namesList_ = kind == RunMode::Kind::kHashList || kind == RunMode::Kind::kStreamHash;
  source->format_ = settings.printFormat;
  source->function_ = settings.function;
  source->listName_ = settings.listName;
  const std::string& listName = source->listName_;
  if (!source->list_.open(listName)) {
    print_cannot_open_list(listName);
    exitCode = 2;
    return nullptr;
  }
  // A list of names stays one with /g: only the lists to verify are in the checksum tools' form.
  source->list_.set_checksum_lines(settings.checksumFormat && !source->namesList_);
  // Pre-pass: the sizes of the listed files up to the first total line, for the progress shown.
  // Where nobody sees it, the list is read once and no file is looked at before its turn.
  if (!progress.shown()) return source;
  std::uint64_t total = 0;
  std::string line;
  hash::Value value{};
  while (source->list_.read_line(line)) {
    if (parse_list_line(source->list_, line, settings.function, settings.printFormat, value) ==
        files::ParseResult::kTotalLine) {
      break;
    }
    if (const auto size = platform::listed_file_size(resolve_listed(line))) total += *size;
  }
  progress.progress_set_total(total);
  if (!source->list_.rewind()) {
    print_cannot_open_list(listName);
    exitCode = 2;
    return nullptr;
  }
  return source;
}

bool FileSource::report_read_error() const {
  if (!isList_ || !list_.failed()) return false;
  print_cannot_open_list(listName_);
  return true;
}

void FileSource::visit_names(const std::function<void(const std::string&)>& visit) const {
  std::string path;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    files::entry_path(prefix_, files_[i], path);
    visit(path);
  }
}

bool FileSource::next(FileItem& item) {
  if (!isList_) {
    if (position_ >= files_.size()) return false;
    files::entry_path(prefix_, files_[position_], item.name);
    item.path = item.name;
    item.parse = files::ParseResult::kNameOnly;
    item.listable = fits_list_line(item.name, "\t\r\n");
    ++position_;
    return true;
  }
  if (!list_.read_line(line_)) return false;
  item.parse = parse_list_line(list_, line_, function_, format_, item.value);
  item.name = line_;
  item.path = resolve_listed(item.name);
  // A listed name ends at its LF already; a CR inside it would not survive the way back.
  item.listable = !namesList_ || fits_list_line(item.name, "\r");
  return true;
}

}  // namespace verolt::app
