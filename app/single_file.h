// The single-file modes /calc, /check and /info: one hash file beside each named file, and
// outcomes only through message boxes and the exit code.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hash/function.h"

namespace verolt::app {

struct SingleFileCommand {
  bool calc = false;
  bool check = false;
  bool info = false;
  // /s256 or /s512, the last of them; nothing: the run's function.
  std::optional<hash::Function> function;
  std::vector<std::string> names;
};

// Most names one run takes.
inline constexpr std::size_t kMaxSingleFileNames = 100;

// Parses the whole command line (the program's name first); false when it is refused.
bool parse_single_file_command_line(std::string_view commandLine, SingleFileCommand& command);

// The run: 0 when every file passed, 1 at the first failure, 100 when the command line is refused.
// `function` hashes unless the command line names another.
int run_single_file_mode(hash::Function function, std::string_view commandLine);

}  // namespace verolt::app
