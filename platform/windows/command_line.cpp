// The command line on Windows: as the system holds it, quotes and all.
#include "platform/command_line.h"

#include "platform/windows/win32.h"

namespace verolt::platform {

std::string whole_command_line(int /*argc*/, char** /*argv*/) { return GetCommandLineA(); }

bool slash_word_is_name(std::string_view /*word*/) { return false; }

}  // namespace verolt::platform
