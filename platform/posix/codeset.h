// The locale's character set as iconv names it, which both the console and file names use here:
// shared by their conversions so that they agree on it.
#pragma once

#include <string>

namespace verolt::platform {

// The character set of LC_CTYPE; the C and POSIX locales count as UTF-8.
std::string console_codeset();

}  // namespace verolt::platform
