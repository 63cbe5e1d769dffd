// The argument loop: options and operands collected into the run settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/hash_text.h"

namespace verolt::app {

// What a run does and where its files come from, decided once by the argument loop. Only the
// pairs that exist can be made: the verifications and the stream hash over a hash list read a
// list, an audit walks a mask and reads its stored list beside it, and hash lists and stream
// hashes take either source.
class RunMode {
 public:
  enum class Kind {
    kHashList,          // every file hashed on its own
    kStreamHash,        // /m: all files as one stream, ending with the total line
    kStreamOfHashList,  // /m with /t: that stream over the names of a hash list
    kVerifyList,        // /t: every listed file against its stored value
    kVerifyStream,      // /f: the listed files as one stream against the total line
    kAudit              // /a: the selection against a stored list
  };
  enum class Source { kMask, kList };

  static constexpr RunMode hash_list(Source source) { return {Kind::kHashList, source}; }
  static constexpr RunMode stream_hash(Source source) { return {Kind::kStreamHash, source}; }
  static constexpr RunMode stream_of_hash_list() {
    return {Kind::kStreamOfHashList, Source::kList};
  }
  static constexpr RunMode verify_list() { return {Kind::kVerifyList, Source::kList}; }
  static constexpr RunMode verify_stream() { return {Kind::kVerifyStream, Source::kList}; }
  static constexpr RunMode audit() { return {Kind::kAudit, Source::kMask}; }

  constexpr Kind kind() const { return kind_; }
  constexpr Source source() const { return source_; }
  constexpr bool from_list() const { return source_ == Source::kList; }
  // One hash over all the files, one chain of steps.
  constexpr bool is_stream() const {
    return kind_ == Kind::kStreamHash || kind_ == Kind::kStreamOfHashList ||
           kind_ == Kind::kVerifyStream;
  }
  // Reads a list file: its source's, or an audit's stored list.
  constexpr bool reads_list() const { return from_list() || kind_ == Kind::kAudit; }

  friend constexpr bool operator==(RunMode a, RunMode b) {
    return a.kind_ == b.kind_ && a.source_ == b.source_;
  }
  friend constexpr bool operator!=(RunMode a, RunMode b) { return !(a == b); }

 private:
  constexpr RunMode(Kind kind, Source source) : kind_(kind), source_(source) {}

  Kind kind_;
  Source source_;
};

struct RunSettings {
  // /h0 /h1 /h2 /s256 /s512, the last of them; GOST R 34.11-94 with the CryptoPro set without.
  hash::Function function = hash::Function::gost94(2);
  files::PrintFormat printFormat = files::PrintFormat::p2;
  bool recursive = false;
  // /d: with /r, directories whose names begin with a dot are entered too.
  bool dotDirectories = false;
  // /e:<mask>, each one: files and directories left out of a walk by their relative path.
  std::vector<std::string> excludes;
  // /g: hash lists in the line format of the GNU and BSD checksum tools.
  bool checksumFormat = false;
  RunMode mode = RunMode::hash_list(RunMode::Source::kMask);
  std::optional<std::string> maskArg;
  std::optional<std::string> outputName;
  // The list file the mode reads (see RunMode::reads_list): the source's, from "/f", "/l", "/t"
  // and their colon forms, or the stored list of "/a:".
  std::string listName;
};

struct ParsedArguments {
  enum class Outcome {
    Run,         // settings complete: prepare the output file and run a mode
    SingleFile,  // hand the whole run to the single-file modes
    Exit         // help or an argument error was printed; exitCode ends the run
  };
  Outcome outcome = Outcome::Run;
  int exitCode = 0;
  RunSettings settings;
};

// The list option "/f", "/l", "/t" default list.
inline constexpr const char* kDefaultListName = "hash.lst";

// Reads the arguments (the program's name not included) left to right, printing help and
// argument errors on the standard output.
ParsedArguments parse_arguments(const std::vector<std::string>& args);

// Help texts, as Windows-1251 program text.
std::string banner_text();
std::string short_usage_text();
std::string full_usage_text();
// "--help" only: the options and environment variables added since the full usage was written.
std::string additions_text();

}  // namespace verolt::app
