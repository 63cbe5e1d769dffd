// <windows.h> for the Windows implementation, without the min and max macros that would break
// the standard library and without the parts the program never uses.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
