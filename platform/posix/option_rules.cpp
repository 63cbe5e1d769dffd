// Option words on POSIX systems: "/home/user/*.txt" or "/dev/full" is a path, "/x" an option.
#include "platform/option_rules.h"

namespace verolt::platform {

bool slash_word_is_path(std::string_view word) {
  return word.find('/', 1) != std::string_view::npos;
}

}  // namespace verolt::platform
