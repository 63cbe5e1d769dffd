// Names resolved the way a program run by an administrator over other users' trees must resolve
// them: a symbolic link or junction on the way must belong to the user, to Administrators or to
// SYSTEM before it is followed.
#pragma once

#include <string>

namespace verolt::platform {

// False when a link or junction in `name` (its last part or a directory on the way) belongs to
// anyone else. Parts that do not exist end the look: the system fails there on its own.
bool links_trusted(const std::string& name);

}  // namespace verolt::platform
