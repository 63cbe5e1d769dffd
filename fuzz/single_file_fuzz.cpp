// The single-file modes' own command-line parse, on arbitrary command lines and on the line
// rebuilt from an argument list (the input split at NUL bytes) as the POSIX program builds it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/single_file.h"
#include "fuzz/check.h"
#include "platform/command_line.h"

namespace {

using verolt::app::kMaxSingleFileNames;
using verolt::app::parse_single_file_command_line;
using verolt::app::SingleFileCommand;
using verolt::fuzz::check;

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_folded(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return fold(x) == y; });
}

bool is_keyword_option(std::string_view arg) {
  return equals_folded(arg, "/calc") || equals_folded(arg, "/check") ||
         equals_folded(arg, "/info") || equals_folded(arg, "/s256") || equals_folded(arg, "/s512");
}

// Writes the parsed command back as a command line: options, then every name quoted, or bare
// when it holds a double quote (and so, having come from an unquoted token, no blank).
std::string canonical(const SingleFileCommand& command) {
  std::string line = "verolt";
  if (command.function) line += command.function->variant == 256 ? " /s256" : " /s512";
  if (command.calc) line += " /calc";
  if (command.info) {
    line += " /info";
  } else if (command.check) {
    line += " /check";
  }
  for (const std::string& name : command.names) {
    if (name.find('"') == std::string::npos) {
      line += " \"" + name + "\"";
    } else {
      line += " " + name;
    }
  }
  return line;
}

void check_command_line(std::string_view line) {
  SingleFileCommand command;
  const bool accepted = parse_single_file_command_line(line, command);
  check(command.names.size() <= kMaxSingleFileNames, "at most 100 names are taken");
  check(!command.info || command.check, "/info checks");
  if (!accepted) return;
  check(!(command.calc && command.check), "calc and check never run together");

  std::size_t total = 0;
  for (const std::string& name : command.names) {
    check(line.find(name) != std::string_view::npos, "every name comes from the command line");
    check(name.find(' ') == std::string::npos || name.find('"') == std::string::npos,
          "a name holds a blank only when quoted, and then no quote");
    total += name.size();
  }
  check(total <= line.size(), "the names are no longer than the command line");

  SingleFileCommand again;
  check(parse_single_file_command_line(canonical(command), again), "the rewritten line parses");
  check(again.calc == command.calc && again.check == command.check && again.info == command.info,
        "the rewritten line gives the same mode");
  check(again.names == command.names, "the rewritten line gives the same names");
  check(again.function == command.function, "the rewritten line gives the same function");
}

// The POSIX program hands its argument list over as one rebuilt line. Arguments without a
// double quote must come through it unchanged: each option as an option, every other argument
// as one name.
void check_argument_list(std::string_view input) {
  std::vector<std::string> args = {"verolt"};
  std::size_t start = 0;
  for (;;) {
    const std::size_t nul = input.find('\0', start);
    args.emplace_back(input.substr(start, nul - start));
    if (nul == std::string_view::npos) break;
    start = nul + 1;
  }
  std::vector<char*> argv(args.size());
  std::transform(args.begin(), args.end(), argv.begin(),
                 [](std::string& arg) { return arg.data(); });
  const std::string line =
      verolt::platform::whole_command_line(static_cast<int>(argv.size()), argv.data());

  SingleFileCommand command;
  const bool accepted = parse_single_file_command_line(line, command);
  if (std::any_of(args.begin(), args.end(), [](const std::string& a) {
        return a.find('"') != std::string::npos ||
               (!a.empty() && a.front() == '/' && a.find(' ') == std::string::npos &&
                !is_keyword_option(a));
      })) {
    return;
  }
  SingleFileCommand expected;
  for (auto arg = args.begin() + 1; arg != args.end(); ++arg) {
    if (equals_folded(*arg, "/calc")) {
      expected.calc = true;
    } else if (equals_folded(*arg, "/check")) {
      expected.check = true;
    } else if (equals_folded(*arg, "/info")) {
      expected.check = expected.info = true;
    } else if (equals_folded(*arg, "/s256") || equals_folded(*arg, "/s512")) {
      expected.function = verolt::hash::Function::gost2012((*arg)[2] == '2' ? 256 : 512);
    } else {
      expected.names.push_back(*arg);
    }
  }
  const bool valid =
      expected.names.size() <= kMaxSingleFileNames && !(expected.calc && expected.check);
  check(accepted == valid,
        "a plain argument list is refused only for too many names or a "
        "calc-check mix");
  if (!accepted) return;
  check(command.calc == expected.calc && command.check == expected.check &&
            command.info == expected.info && command.function == expected.function,
        "the options of an argument list come through");
  check(command.names == expected.names, "the names of an argument list come through unchanged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  check_command_line(input);
  check_argument_list(input);
  return 0;
}
