// Where a word that begins with "/" is an option: on Windows always, as "/" begins no path
// there; on POSIX it also begins every absolute path, which is then a name.
#pragma once

#include <string_view>

namespace verolt::platform {

// `word` begins with "/" and, unless it is one of the program's own options, names a path:
// on POSIX when a further "/" follows, on Windows never.
bool slash_word_is_path(std::string_view word);

}  // namespace verolt::platform
