// The audit: the stored list read whole, the selection matched against it by name, then the
// selection hashed in order with the absent listed names merged in where a fresh list would have
// them.
#include "app/audit.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/environment.h"
#include "app/hash_queue.h"
#include "app/messages.h"
#include "app/sources.h"
#include "files/console.h"
#include "files/enumeration.h"
#include "files/hash_text.h"
#include "files/lists.h"
#include "files/texts.h"
#include "platform/file_names.h"
#include "platform/files.h"
#include "text/ascii.h"

namespace verolt::app {

namespace {

using files::to_ansi;
using verolt::text::equal_folded;
using Listed = AuditList::Line;

struct Counts {
  std::uint64_t listed = 0;
  std::uint64_t checked = 0;
  std::uint64_t right = 0;
  std::uint64_t changed = 0;
  std::uint64_t absent = 0;
  std::uint64_t fresh = 0;
  std::uint64_t unread = 0;
  std::uint64_t valueless = 0;
  std::uint64_t moved = 0;
};

// Where a path stands in the order of a list: as the walk sorts its entries.
files::FileEntry entry_of(std::string_view path) {
  std::size_t cut = path.size();
  while (cut > 0 && !platform::is_separator(path[cut - 1])) --cut;
  files::FileEntry entry;
  if (cut > 0) entry.dir = path.substr(0, cut - 1);
  entry.name = path.substr(cut);
  return entry;
}

std::string_view last_component(std::string_view path) {
  std::size_t cut = path.size();
  while (cut > 0 && !platform::is_separator(path[cut - 1])) --cut;
  return path.substr(cut);
}

// The stored list and the report are no part of the tree: they are left out by identity,
// looked up only for names that end as theirs do.
class OwnFiles {
 public:
  void add(const std::string& name, const platform::FileId& id) {
    if (id == platform::FileId{}) return;
    ends_.emplace_back(last_component(name));
    ids_.push_back(id);
  }
  bool contains(const std::string& path) const {
    const std::string_view end = last_component(path);
    if (std::none_of(ends_.begin(), ends_.end(),
                     [&](const std::string& own) { return equal_folded(own, end); })) {
      return false;
    }
    platform::InputFile file;
    if (!file.open(path)) return false;
    return std::find(ids_.begin(), ids_.end(), file.id()) != ids_.end();
  }
  // A listed name, as it stands or in the other build's form.
  bool contains_listed(const std::string& name) const {
    if (contains(name)) return true;
    const std::optional<std::string> other = platform::other_build_name(name);
    return other && contains(*other);
  }

 private:
  std::vector<std::string> ends_;
  std::vector<platform::FileId> ids_;
};

std::string match_form(std::string_view name) {
  return platform::kNamesMatchAsWritten ? std::string(name) : platform::name_match_form(name);
}

// A listed name that an exclusion leaves out of the walk, as it stands or in the other build's
// form; only below the run's directory, whose relative paths the exclusions are.
bool listed_excluded(const std::string& name, const std::string& prefix,
                     const files::Exclusions& exclusions) {
  const std::string prefixForm = match_form(prefix);
  const auto excluded = [&](const std::string& form) {
    return match_form(form).compare(0, prefixForm.size(), prefixForm) == 0 &&
           form.size() > prefix.size() && exclusions.excludes(form.substr(prefix.size()));
  };
  if (excluded(name)) return true;
  const std::optional<std::string> other = platform::other_build_name(name);
  return other && excluded(*other);
}

// The directories the walk selected but could not read whole: new files may hide there, and the
// listed names below them are not known to be absent.
class Unseen {
 public:
  struct Directory {
    std::string name;  // as the report shows it
    bool start = false;
  };

  Unseen(const std::string& prefix, const std::vector<std::string>& relative) {
    for (const std::string& dir : relative) {
      Directory directory;
      if (dir.empty()) {
        directory.start = true;
        directory.name = prefix;
        while (!directory.name.empty() && platform::is_separator(directory.name.back())) {
          directory.name.pop_back();
        }
        if (directory.name.empty()) directory.name = prefix.empty() ? "." : prefix;
        startForm_ = match_form(prefix);
      } else {
        directory.name = prefix + dir;
        forms_.insert(match_form(directory.name));
      }
      directories_.push_back(std::move(directory));
    }
    // In the order of the report: the starting directory before all, the others where their
    // paths sort, which is before their files.
    keys_.reserve(directories_.size());
    std::stable_sort(directories_.begin(), directories_.end(),
                     [](const Directory& a, const Directory& b) {
                       if (a.start || b.start) return a.start && !b.start;
                       return files::compare_entries(entry_of(a.name), entry_of(b.name)) < 0;
                     });
    for (const Directory& directory : directories_) keys_.push_back(entry_of(directory.name));
  }

  const std::vector<Directory>& directories() const { return directories_; }
  // Whether directory `i` comes in the report before the name of `key`.
  bool before(std::size_t i, const files::FileEntry& key) const {
    return directories_[i].start || files::compare_entries(keys_[i], key) < 0;
  }
  // Whether a listed name lies below one of the directories, as it stands or in the other
  // build's form.
  bool hides(const std::string& listedName) const {
    if (directories_.empty()) return false;
    if (hides_form(match_form(listedName))) return true;
    const std::optional<std::string> other = platform::other_build_name(listedName);
    return other && hides_form(match_form(*other));
  }

 private:
  bool hides_form(std::string_view form) const {
    if (startForm_ && form.substr(0, startForm_->size()) == *startForm_) return true;
    if (forms_.count(std::string(form)) > 0) return true;
    for (std::size_t at = 0; at < form.size(); ++at) {
      if (platform::is_separator(form[at]) && forms_.count(std::string(form.substr(0, at))) > 0) {
        return true;
      }
    }
    return false;
  }

  std::vector<Directory> directories_;
  std::vector<files::FileEntry> keys_;  // view the names above, which no longer move
  std::unordered_set<std::string> forms_;
  std::optional<std::string> startForm_;
};

// The report is read by people: the program's texts in their character set; names escaped.
class Report {
 public:
  explicit Report(files::OutputFile& output) : output_(output) {}
  void line(std::string_view message, const std::string& name) {
    if (output_.is_open()) {
      output_.write(files::report_text(to_ansi(message)));
      output_.write(files::report_name(name));
      output_.write("\n");
      return;
    }
    files::print_text(to_ansi(message));
    files::print_name(name);
    files::print_raw("\n");
  }
  void moved(const std::string& from, const std::string& to) {
    if (output_.is_open()) {
      output_.write(files::report_text(to_ansi(text::kMovedLine)));
      output_.write(files::report_name(from));
      output_.write(text::kMovedArrow);
      output_.write(files::report_name(to));
      output_.write("\n");
      return;
    }
    files::print_text(to_ansi(text::kMovedLine));
    files::print_name(from);
    files::print_raw(text::kMovedArrow);
    files::print_name(to);
    files::print_raw("\n");
  }

 private:
  files::OutputFile& output_;
};

std::string summary_text(const Counts& c) {
  const auto n = [](std::uint64_t v) { return std::to_string(v); };
  return to_ansi(text::kAuditSummary) + n(c.listed) + to_ansi(text::kAuditChecked) + n(c.checked) +
         to_ansi(text::kAuditRight) + n(c.right) + to_ansi(text::kAuditChanged) + n(c.changed) +
         to_ansi(text::kAuditAbsent) + n(c.absent) + to_ansi(text::kAuditNew) + n(c.fresh) +
         to_ansi(text::kAuditUnread) + n(c.unread) + to_ansi(text::kAuditMoved) + n(c.moved) + "\n";
}

// The program's own last lines, which a list may end with: no file's names.
bool is_trailer(const std::string& line) {
  static const std::vector<std::string> kTrailers = [] {
    std::vector<std::string> lines;
    for (const std::string_view text :
         {text::kNotAllFromMask, text::kNotAllFromList, text::kNoFilesFound}) {
      const std::string trailer = to_ansi(text);
      lines.push_back(trailer.substr(0, trailer.size() - 1));
    }
    return lines;
  }();
  return std::find(kTrailers.begin(), kTrailers.end(), line) != kTrailers.end();
}

// The value a list gives a file it could not open: its name, a TAB and the mark.
bool holds_open_failure(std::string_view line) {
  static const std::string kMark = [] {
    const std::string mark = to_ansi(text::kOpenErrorInList);
    return "\t" + mark.substr(0, mark.size() - 1);
  }();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line.size() > kMark.size() && line.substr(line.size() - kMark.size()) == kMark;
}

// A key for the values of absent names, which a moved file is looked up by.
std::string value_key(const hash::Value& value) {
  return std::string(reinterpret_cast<const char*>(value.data()), value.size());
}

}  // namespace

bool read_audit_list(const RunSettings& settings, AuditList& list) {
  files::ListReader reader;
  if (!reader.open(settings.listName)) {
    print_cannot_open_list(settings.listName);
    return false;
  }
  list.id = reader.id();
  std::string line;
  while (reader.read_line(line)) {
    Listed entry;
    // The checksum tools' lists hold only values: no mark, no total, no trailer of ours.
    entry.openFailed = !settings.checksumFormat && holds_open_failure(line);
    const files::ParseResult parsed =
        settings.checksumFormat
            ? files::parse_checksum_line(line, settings.function, entry.value)
            : files::parse_hash_line(line, settings.function, entry.value, settings.printFormat);
    if (parsed == files::ParseResult::kTotalLine) break;
    if (line.empty() || is_trailer(line)) continue;
    entry.name = std::move(line);
    entry.usable = parsed == files::ParseResult::kHashLine;
    list.lines.push_back(std::move(entry));
    line.clear();
  }
  // A list read in part would report what it could not read as new files.
  if (reader.failed()) {
    print_cannot_open_list(settings.listName);
    return false;
  }
  return true;
}

bool report_is_list(const RunSettings& settings, const AuditList& list) {
  if (!settings.outputName) return false;
  if (platform::name_match_form(*settings.outputName) ==
      platform::name_match_form(settings.listName)) {
    return true;
  }
  platform::InputFile report;
  return list.id != platform::FileId{} && report.open(*settings.outputName) &&
         report.id() == list.id;
}

int run_audit(const RunSettings& settings, AuditList& list, files::OutputFile& output) {
  std::vector<Listed>& listed = list.lines;
  // Listed names are matched as they stand and then in the other build's form.
  // Keys view the names, or their match forms where the system's differ; each name counts once,
  // its first line.
  // Reserved for every form there can be, so that no view moves.
  std::vector<std::string> forms;
  if (!platform::kNamesMatchAsWritten) forms.reserve(2 * listed.size());
  const auto match_form = [&forms](const std::string& name) -> std::string_view {
    if (platform::kNamesMatchAsWritten) return name;
    forms.push_back(platform::name_match_form(name));
    return forms.back();
  };
  std::vector<std::pair<std::size_t, std::string>> others;
  std::unordered_map<std::string_view, std::size_t> byName;
  std::unordered_map<std::string_view, std::size_t> byOtherForm;
  byName.reserve(listed.size());
  std::uint64_t duplicates = 0;
  std::uint64_t passedOver = 0;
  const files::Exclusions exclusions(settings.excludes);
  const std::string prefix = files::split_target(settings.maskArg.value_or("*.*")).prefix;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    // What the walk leaves out is no part of the tree: its lines are passed over, uncounted.
    if (!exclusions.empty() && listed_excluded(listed[i].name, prefix, exclusions)) {
      listed[i].matched = true;
      ++passedOver;
      continue;
    }
    if (!byName.emplace(match_form(listed[i].name), i).second) {
      listed[i].matched = true;  // a name listed again is no line of its own
      ++duplicates;
      continue;
    }
    if (auto other = platform::other_build_name(listed[i].name)) {
      others.emplace_back(i, std::move(*other));
    }
  }
  // Forms of the other build, tried only when a name is not found as it stands.
  for (const auto& [line, other] : others) byOtherForm.emplace(match_form(other), line);

  filehash::ProgressState progress;
  int exitCode = 0;
  std::unique_ptr<FileSource> source =
      FileSource::from_mask(settings, output, progress, exitCode, false);
  if (!source) return exitCode;

  OwnFiles own;
  own.add(settings.listName, list.id);
  if (const auto id = output.id()) own.add(settings.outputName.value_or(""), *id);

  // What each selected file is: left out, new, or the listed line it answers. Lines that name
  // the list or the report are no part of the tree either: passed over, not even counted.
  constexpr std::uint32_t kNew = UINT32_MAX;
  constexpr std::uint32_t kLeftOut = UINT32_MAX - 1;
  std::vector<std::uint32_t> role;
  source->visit_names([&](const std::string& name) {
    std::uint32_t r = kNew;
    std::string storage;
    std::string_view form = name;
    if (!platform::kNamesMatchAsWritten) {
      storage = platform::name_match_form(name);
      form = storage;
    }
    const auto found = byName.find(form);
    const auto other = byOtherForm.find(form);
    if (found != byName.end() && !listed[found->second].matched) {
      r = static_cast<std::uint32_t>(found->second);
    } else if (found == byName.end() && other != byOtherForm.end() &&
               !listed[other->second].matched) {
      r = static_cast<std::uint32_t>(other->second);
    }
    if (r != kNew) listed[r].matched = true;
    if (own.contains(name)) {
      if (r != kNew) ++passedOver;
      r = kLeftOut;
    }
    role.push_back(r);
  });

  // The listed names no file answers, in the order of a list, but for those a directory the
  // walk could not read may hold.
  const Unseen unseen(prefix, source->unreadable_directories());
  std::vector<std::size_t> absent;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (listed[i].matched || unseen.hides(listed[i].name)) continue;
    // The list or the report under a name the walk did not give.
    if (own.contains_listed(listed[i].name)) {
      ++passedOver;
      continue;
    }
    absent.push_back(i);
  }
  // A new file may be an absent one moved, known by its value: then nothing can be reported
  // until every file is hashed, and the lines wait for the end of the hashing.
  // The absent lines of each value in list order, and how many of them are taken.
  std::unordered_map<std::string, std::pair<std::vector<std::size_t>, std::size_t>> absentByValue;
  for (const std::size_t i : absent) {
    if (listed[i].usable) absentByValue[value_key(listed[i].value)].first.push_back(i);
  }
  const bool movesPossible = !absentByValue.empty();

  Counts counts;
  counts.listed = listed.size() - duplicates - passedOver;
  Report report(output);
  std::vector<std::size_t> order;
  std::vector<files::FileEntry> absentKeys;
  const auto sort_absent = [&] {
    absentKeys.clear();
    absentKeys.reserve(absent.size());
    for (const std::size_t i : absent) absentKeys.push_back(entry_of(listed[i].name));
    order.resize(absent.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return files::compare_entries(absentKeys[a], absentKeys[b]) < 0;
    });
  };
  // The absent names and the unread directories that come before `key` (all when null), merged.
  std::size_t nextAbsent = 0;
  std::size_t nextUnseen = 0;
  const std::size_t unseenCount = unseen.directories().size();
  const auto report_before = [&](const files::FileEntry* key) {
    for (;;) {
      const files::FileEntry* absentKey =
          nextAbsent < order.size() ? &absentKeys[order[nextAbsent]] : nullptr;
      const bool absentDue =
          absentKey != nullptr && (key == nullptr || files::compare_entries(*absentKey, *key) < 0);
      const bool unseenDue =
          nextUnseen < unseenCount && (key == nullptr || unseen.before(nextUnseen, *key));
      if (unseenDue && (!absentDue || unseen.before(nextUnseen, *absentKey))) {
        report.line(text::kCannotOpenFile, unseen.directories()[nextUnseen].name);
        ++counts.unread;
        ++nextUnseen;
      } else if (absentDue) {
        report.line(text::kAbsentLine, listed[absent[order[nextAbsent]]].name);
        ++counts.absent;
        ++nextAbsent;
      } else {
        return;
      }
    }
  };

  // What a selected file's turn says; the lines the walk's names decide come in their order.
  enum class Verdict : std::uint8_t { none, fresh, changed, unread, valueless };
  std::unordered_map<std::size_t, std::size_t> movedFrom;  // by file: the absent line it was
  const auto say = [&](std::size_t i, const std::string& name, Verdict verdict) {
    if (verdict == Verdict::none) return;
    if (nextAbsent < order.size() || nextUnseen < unseenCount) {
      const files::FileEntry key = entry_of(name);
      report_before(&key);
    }
    switch (verdict) {
      case Verdict::fresh:
        if (const auto move = movedFrom.find(i); move != movedFrom.end()) {
          report.moved(listed[move->second].name, name);
          ++counts.moved;
        } else {
          report.line(text::kNewFileLine, name);
          ++counts.fresh;
        }
        break;
      case Verdict::changed:
        report.line(text::kWrongHashLine, listed[role[i]].name);
        break;
      case Verdict::unread:
        report.line(text::kCannotOpenFile, listed[role[i]].name);
        break;
      case Verdict::valueless:
        report.line(text::kMissingHashLine, listed[role[i]].name);
        break;
      case Verdict::none:
        break;
    }
  };
  if (!movesPossible) sort_absent();

  std::vector<platform::FileId> readAtTurn;
  for (const auto& id :
       {output.id(), platform::standard_stream_id(false), platform::standard_stream_id(true)}) {
    if (id) readAtTurn.push_back(*id);
  }
  // No boxes here: results may be waited for in runs.
  FileHashQueue files(*source, environment().engine, settings.function, progress,
                      environment().threads, std::move(readAtTurn), true);
  std::vector<Verdict> verdicts;
  if (movesPossible) verdicts.reserve(role.size());
  FileItem item;
  hash::Value value{};
  for (std::size_t i = 0; files.next(item); ++i) {
    const bool hashed = files.result(value);
    const std::uint32_t r = role[i];
    Verdict verdict = Verdict::none;
    if (r == kNew) {
      verdict = Verdict::fresh;
      // The first absent name of that value in list order not yet taken was moved here.
      if (movesPossible && hashed) {
        const auto found = absentByValue.find(value_key(value));
        if (found != absentByValue.end() && found->second.second < found->second.first.size()) {
          const std::size_t from = found->second.first[found->second.second++];
          movedFrom.emplace(i, from);
          listed[from].matched = true;
        }
      }
    } else if (r != kLeftOut) {
      const Listed& line = listed[r];
      if (line.openFailed) {
        // Recorded as a file that could not be opened: it agrees while that holds.
        ++counts.checked;
        if (hashed) {
          verdict = Verdict::changed;
          ++counts.changed;
        } else {
          ++counts.right;
        }
      } else if (!line.usable) {
        verdict = Verdict::valueless;
        ++counts.valueless;
      } else {
        ++counts.checked;
        if (!hashed) {
          verdict = Verdict::unread;
          ++counts.unread;
        } else if (value == line.value) {
          ++counts.right;
        } else {
          verdict = Verdict::changed;
          ++counts.changed;
        }
      }
    }
    if (movesPossible) {
      verdicts.push_back(verdict);
    } else {
      say(i, item.name, verdict);
    }
  }
  if (movesPossible) {
    // The absent names no file was moved from are reported as absent.
    absent.erase(std::remove_if(absent.begin(), absent.end(),
                                [&](std::size_t i) { return listed[i].matched; }),
                 absent.end());
    sort_absent();
    std::size_t i = 0;
    source->visit_names([&](const std::string& name) {
      if (i < verdicts.size()) say(i, name, verdicts[i]);
      ++i;
    });
  }
  report_before(nullptr);

  const std::string summary = summary_text(counts);
  int result = 0;
  if (counts.changed + counts.absent + counts.fresh + counts.moved > 0) result = 1;
  if (counts.unread > 0) result = 2;
  if (counts.valueless > 0) result = 3;
  if (output.is_open()) {
    output.write(files::report_text(summary));
    // A full disk shows only here, when the buffered bytes must reach the file.
    if (!output.close()) {
      files::print_text(to_ansi(text::kCannotCreate));
      files::print_argument(*settings.outputName);
      files::print_raw("\n");
      result = 3;
    } else {
      files::print_text(to_ansi(text::kCreated));
      files::print_argument(*settings.outputName);
      files::print_raw("\n");
    }
  }
  files::print_text(summary);
  return result;
}

}  // namespace verolt::app
