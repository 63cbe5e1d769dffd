// The command line as the program was started with it, for the modes that parse it whole.
#pragma once

#include <string>
#include <string_view>

namespace verolt::platform {

// The whole command line as one string, the program's name first.
std::string whole_command_line(int argc, char** argv);

// Whether a word that starts with "/" and is none of the program's options is a file name after
// all: on POSIX when it holds another "/", as an absolute path does; on Windows "/" starts only
// options. The argument loop and the single-file line ask the same question.
bool slash_word_is_name(std::string_view word);

}  // namespace verolt::platform
