// The argument loop: options and operands collected into the run settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/hash_text.h"

namespace verolt::app {

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
  bool streamMode = false;
  bool verifyList = false;
  bool verifyStream = false;
  std::optional<std::string> maskArg;
  std::optional<std::string> outputName;
  std::optional<std::string> listName;
  // /a:<list>: the selection audited against that stored list.
  std::optional<std::string> auditList;
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
