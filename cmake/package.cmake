# Packages, with CPack, both of this version (project()): a Debian package of this build, and a
# zip of Verolt.exe, cross-built here with MinGW-w64 as a project of its own and installed by its
# own rules. Each generator packages one of the two builds (cmake/cpack_options.cmake.in).

if(NOT VEROLT_PACKAGE OR WIN32)
  return()
endif()

find_program(VEROLT_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT VEROLT_MINGW_CXX)
  message(FATAL_ERROR
    "The Windows zip needs MinGW-w64 (Debian g++-mingw-w64-x86-64-posix); install it, or "
    "configure with -DVEROLT_PACKAGE=OFF and run cpack -G DEB for the Debian package alone")
endif()

include(ExternalProject)
set(VEROLT_WINDOWS_BUILD ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(verolt_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VEROLT_WINDOWS_BUILD}
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
             -DCMAKE_BUILD_TYPE=Release
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")

set(CPACK_PACKAGE_NAME verolt)
set(CPACK_PACKAGE_VENDOR "Verolt developers")
set(CPACK_PACKAGE_CONTACT "${VEROLT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compute and verify GOST R 34.11-94 hashes of files")
# Debian shows the description as it stands: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION [[
Verolt hashes the files that a path and mask select, through subdirectories
on request, or that a list file names, by the Russian hash standard
GOST R 34.11-94 with any of its three parameter sets. It writes hash lists,
computes one stream hash over many files taken as one data stream, verifies
lists and stream hashes, and keeps a .hsh file beside single files.

Its lists are byte for byte those of its Windows build (CR LF line ends,
Windows-1251 program texts), files are hashed on every core, and its exit
codes are fixed for use in scripts.]])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB ZIP)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME verolt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

configure_file(${CMAKE_CURRENT_LIST_DIR}/cpack_options.cmake.in
               ${CMAKE_BINARY_DIR}/cpack_options.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/cpack_options.cmake)
include(CPack)
