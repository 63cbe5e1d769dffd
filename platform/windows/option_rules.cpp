// Option words on Windows: "/" begins options only, so every such word is one.
#include "platform/option_rules.h"

namespace verolt::platform {

bool slash_word_is_path(std::string_view /*word*/) { return false; }

}  // namespace verolt::platform
