// The command line on POSIX systems: rebuilt from the arguments, as a Windows shell would have
// passed it.
#include "platform/command_line.h"

namespace verolt::platform {

std::string whole_command_line(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (i > 0) line += ' ';
    // Quoted like a Windows shell would pass it, so the parse sees one token.
    if (arg.empty() || arg.find(' ') != std::string::npos) {
      line += '"' + arg + '"';
    } else {
      line += arg;
    }
  }
  return line;
}

bool slash_word_is_name(std::string_view word) {
  return word.find('/', 1) != std::string_view::npos;
}

}  // namespace verolt::platform
