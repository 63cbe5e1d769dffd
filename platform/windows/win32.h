// <windows.h> for the Windows implementation, without the min and max macros that would break
// the standard library and without the parts the program never uses; and what several of its
// files ask of a handle.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/files.h"

namespace verolt::platform {

// The volume and file index of an open handle; FileId{} when the system does not tell.
FileId id_of(HANDLE handle);

}  // namespace verolt::platform
