// A whole run of the program: arguments, output file, source, one mode, closing.
#pragma once

namespace verolt::app {

// Returns the process exit code.
int run(int argc, char** argv);

}  // namespace verolt::app
