# Cross-build of Verolt.exe on Linux with MinGW-w64 (Debian g++-mingw-w64-x86-64-posix); tests
# run under Wine with a Russian locale, so that the ANSI code page is 1251 and the OEM one 866.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian installs the 64-bit loader outside PATH.
find_program(VEROLT_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
if(NOT VEROLT_WINE64)
  find_program(VEROLT_WINE64 NAMES wine64 wine)
endif()
if(VEROLT_WINE64)
  set(VEROLT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix of the tests")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 WINEDEBUG=-all
      WINEPREFIX=${VEROLT_WINEPREFIX} ${VEROLT_WINE64})
endif()
