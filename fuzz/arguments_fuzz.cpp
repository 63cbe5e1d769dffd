// The argument loop on arbitrary argument lists (the input split at NUL bytes): it must end in a
// clear outcome, and the settings of a run must be consistent with the arguments that made it.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "fuzz/check.h"
#include "platform/console.h"

namespace {

using verolt::app::ParsedArguments;
using verolt::app::RunMode;
using verolt::files::PrintFormat;
using verolt::fuzz::check;
using Outcome = ParsedArguments::Outcome;

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_folded(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return fold(x) == y; });
}

bool starts_folded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equals_folded(text.substr(0, prefix.size()), prefix);
}

bool is_help(std::string_view arg) { return arg == "/?" || arg == "/help"; }

bool is_single_file(std::string_view arg) {
  return equals_folded(arg, "/calc") || equals_folded(arg, "/check") || equals_folded(arg, "/info");
}

bool is_list_option(std::string_view arg) {
  static constexpr std::array<std::string_view, 3> kBare = {"/f", "/l", "/t"};
  static constexpr std::array<std::string_view, 3> kColon = {"/f:", "/l:", "/t:"};
  return std::any_of(kBare.begin(), kBare.end(),
                     [&](std::string_view o) { return equals_folded(arg, o); }) ||
         std::any_of(kColon.begin(), kColon.end(),
                     [&](std::string_view o) { return starts_folded(arg, o); });
}

bool is_stream_list_option(std::string_view arg) {
  return equals_folded(arg, "/f") || starts_folded(arg, "/f:");
}

bool is_verify_list_option(std::string_view arg) {
  return equals_folded(arg, "/t") || starts_folded(arg, "/t:");
}

bool is_audit_option(std::string_view arg) { return starts_folded(arg, "/a:"); }

// "/e:" alone leaves nothing out and is refused as an unknown option.
bool is_exclusion(std::string_view arg) { return starts_folded(arg, "/e:") && arg.size() > 3; }

bool is_word(std::string_view arg, std::string_view word) { return equals_folded(arg, word); }

template <typename Test>
bool any_arg(const std::vector<std::string>& args, Test test) {
  return std::any_of(args.begin(), args.end(), [&](const std::string& a) { return test(a); });
}

bool is_known_option(std::string_view arg) {
  static constexpr std::array<std::string_view, 11> kWords = {
      "/h0", "/h1", "/h2", "/s256", "/s512", "/p1", "/p2", "/m", "/r", "/d", "/g"};
  return is_help(arg) || is_single_file(arg) || is_list_option(arg) || is_audit_option(arg) ||
         is_exclusion(arg) || std::any_of(kWords.begin(), kWords.end(), [&](std::string_view w) {
           return equals_folded(arg, w);
         });
}

// An argument the loop reads as an option: on POSIX one that begins with "/" is an absolute
// path, and so an operand, when it is no known option and holds a further "/".
bool is_option(std::string_view arg) {
  if (arg.empty() || arg.front() != '/') return false;
#ifdef _WIN32
  return true;
#else
  return is_known_option(arg) || starts_folded(arg, "/e:") ||
         arg.find('/', 1) == std::string_view::npos;
#endif
}

// The mode a run's arguments ask for, by the rule: an audit with /a:; else with a /f form the
// stream verification; with a /t form the stream over its names under /m, else the list
// verification; else a stream hash under /m, else a hash list, from a list when one was named.
RunMode expected_mode(const std::vector<std::string>& args) {
  const bool list = any_arg(args, is_list_option);
  const bool stream = any_arg(args, [](std::string_view a) { return is_word(a, "/m"); });
  const auto source = list ? RunMode::Source::kList : RunMode::Source::kMask;
  if (any_arg(args, is_audit_option)) return RunMode::audit();
  if (any_arg(args, is_stream_list_option)) return RunMode::verify_stream();
  if (any_arg(args, is_verify_list_option)) {
    return stream ? RunMode::stream_of_hash_list() : RunMode::verify_list();
  }
  return stream ? RunMode::stream_hash(source) : RunMode::hash_list(source);
}

void check_run(const std::vector<std::string>& args, const verolt::app::RunSettings& s) {
  const bool list = any_arg(args, is_list_option);
  check(s.mode == expected_mode(args), "the mode is the one the arguments ask for");
  check(s.mode.from_list() == list, "a list source exactly when a list option was given");
  check(!(s.mode.from_list() && s.maskArg), "a list source leaves no mask");
  check(!(s.recursive && s.mode.from_list()), "/r never runs with a list");
  check(!(any_arg(args, is_audit_option) &&
          (list || any_arg(args, [](std::string_view a) { return is_word(a, "/m"); }))),
        "an audit never runs with a list or /m");
  check(s.recursive == std::any_of(args.begin(), args.end(),
                                   [](const std::string& a) { return equals_folded(a, "/r"); }),
        "/r exactly when given");
  check(s.mode.is_stream() == std::any_of(args.begin(), args.end(),
                                          [](const std::string& a) {
                                            return equals_folded(a, "/m") ||
                                                   is_stream_list_option(a);
                                          }),
        "stream mode exactly when /m or a /f form was given");
  check(std::none_of(args.begin(), args.end(),
                     [](const std::string& a) { return is_option(a) && !is_known_option(a); }),
        "a run has no unknown option");

  check(s.dotDirectories == any_arg(args, [](std::string_view a) { return is_word(a, "/d"); }),
        "/d exactly when given");
  check(s.excludes.size() ==
            static_cast<std::size_t>(std::count_if(args.begin(), args.end(), is_exclusion)),
        "one exclusion for each /e:");

  std::vector<std::string> operands;
  std::copy_if(args.begin(), args.end(), std::back_inserter(operands),
               [](const std::string& a) { return !is_option(a); });
  check(operands.size() <= 2, "a run has at most two operands");
  const auto operand = [&](std::size_t i) {
    return i < operands.size() ? std::optional<std::string>(operands[i]) : std::nullopt;
  };
  if (s.mode.from_list()) {
    // Wherever it stands, the first operand is the output file; a second one before the list
    // option is dropped.
    check(!s.maskArg && s.outputName == operand(0), "with a list the operand is the output");
  } else {
    check(s.maskArg == operand(0) && s.outputName == operand(1),
          "without a list the operands are the mask and the output");
  }

  verolt::hash::Function function = verolt::hash::Function::gost94(2);
  PrintFormat format = PrintFormat::p2;
  for (const std::string& a : args) {
    if (equals_folded(a, "/h0") || equals_folded(a, "/h1") || equals_folded(a, "/h2")) {
      function = verolt::hash::Function::gost94(a[2] - '0');
    }
    if (equals_folded(a, "/s256")) function = verolt::hash::Function::gost2012(256);
    if (equals_folded(a, "/s512")) function = verolt::hash::Function::gost2012(512);
    if (equals_folded(a, "/p1")) format = PrintFormat::p1;
    if (equals_folded(a, "/p2")) format = PrintFormat::p2;
  }
  check(s.function == function, "the last function option holds");
  check(s.printFormat == format, "the last print format option holds");
  check(s.checksumFormat == any_arg(args, [](std::string_view a) { return is_word(a, "/g"); }),
        "/g exactly when given");
  check(!s.checksumFormat || (!s.mode.is_stream() && format == PrintFormat::p2),
        "/g never runs with a stream hash or /p1");
}

// The print format the last /p option leaves.
bool ends_in_p1(const std::vector<std::string>& args) {
  bool p1 = false;
  for (const std::string& a : args) {
    if (is_word(a, "/p1")) p1 = true;
    if (is_word(a, "/p2")) p1 = false;
  }
  return p1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // Help and error texts are not what is checked here; libFuzzer reports on standard error.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  verolt::platform::initialise_console();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  if (!input.empty()) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t nul = input.find('\0', start);
      args.emplace_back(input.substr(start, nul - start));
      if (nul == std::string_view::npos) break;
      start = nul + 1;
    }
  }

  const ParsedArguments parsed = verolt::app::parse_arguments(args);
  const auto helpOrSingle = std::find_if(args.begin(), args.end(), [](const std::string& a) {
    return is_help(a) || is_single_file(a);
  });
  switch (parsed.outcome) {
    case Outcome::Exit: {
      check(parsed.exitCode == 100, "an argument loop that ends the run ends it with 100");
      const bool reason =
          std::any_of(args.begin(), args.end(), [](const std::string& a) { return is_help(a); }) ||
          std::any_of(args.begin(), args.end(),
                      [](const std::string& a) { return is_option(a) && !is_known_option(a); }) ||
          (std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return equals_folded(a, "/r"); }) &&
           std::any_of(args.begin(), args.end(), is_list_option)) ||
          (std::any_of(args.begin(), args.end(), is_audit_option) &&
           std::any_of(
               args.begin(), args.end(),
               [](const std::string& a) { return is_list_option(a) || equals_folded(a, "/m"); })) ||
          (any_arg(args, [](std::string_view a) { return is_word(a, "/g"); }) &&
           (any_arg(
                args,
                [](std::string_view a) { return is_word(a, "/m") || is_stream_list_option(a); }) ||
            ends_in_p1(args))) ||
          std::count_if(args.begin(), args.end(),
                        [](const std::string& a) { return !is_option(a); }) >= 2;
      check(reason, "only help, an unknown option, a conflict or an extra operand end the run");
      break;
    }
    case Outcome::SingleFile:
      check(helpOrSingle != args.end() && is_single_file(*helpOrSingle),
            "the single-file modes start at the first /calc, /check or /info, before any help");
      check(!(parsed.settings.recursive && parsed.settings.mode.from_list()),
            "/r never stands with a list");
      break;
    case Outcome::Run:
      check(helpOrSingle == args.end(), "help or a single-file option never leads to a run");
      check_run(args, parsed.settings);
      break;
  }
  return 0;
}
