// The command line as the program was started with it, for the modes that parse it whole.
#pragma once

#include <string>

namespace verolt::platform {

// The whole command line as one string, the program's name first.
std::string whole_command_line(int argc, char** argv);

}  // namespace verolt::platform
