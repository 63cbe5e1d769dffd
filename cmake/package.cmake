# Packages, with CPack, both of this version (project()): a Debian package of this build, and a
# zip of Verolt.exe from a Windows build made beforehand (the windows workflow's), installed by
# that build's own rules; cross-building it again here would only build the same program twice.
# Each generator packages one of the two builds (cmake/cpack_options.cmake.in). Where no Windows
# build was made, the Debian package is made alone.

if(NOT VEROLT_PACKAGE OR WIN32)
  return()
endif()

set(VEROLT_WINDOWS_BUILD "" CACHE PATH "A Windows build of this tree, zipped by its install rules")
set(VEROLT_ZIP_NAME "Verolt-${PROJECT_VERSION}-win64")
# The package preset names no generators: CPack makes those chosen here.
set(windowsProgram "")
set(windowsRules "")
if(NOT VEROLT_WINDOWS_BUILD STREQUAL "")
  set(windowsProgram "${VEROLT_WINDOWS_BUILD}/Verolt.exe")
  set(windowsRules "${VEROLT_WINDOWS_BUILD}/cmake_install.cmake")
endif()
if(EXISTS "${windowsProgram}" AND EXISTS "${windowsRules}")
  set(VEROLT_ZIP ON)
  set(CPACK_GENERATOR DEB ZIP)
elseif(EXISTS "${windowsProgram}" OR EXISTS "${windowsRules}")
  # Configured but not built, or a build that failed: a zip left out unasked would go unnoticed.
  message(FATAL_ERROR
    "VEROLT_WINDOWS_BUILD: the Windows tree at '${VEROLT_WINDOWS_BUILD}' is not built: run "
    "`cmake --workflow --preset windows` (the package preset takes build/windows), or remove it "
    "to make the Debian package only")
else()
  set(VEROLT_ZIP OFF)
  set(CPACK_GENERATOR DEB)
  message(STATUS
    "Windows build not found in ${VEROLT_WINDOWS_BUILD}: making the Debian package only")
endif()

set(CPACK_PACKAGE_NAME verolt)
set(CPACK_PACKAGE_VENDOR "Verolt developers")
set(CPACK_PACKAGE_CONTACT "${VEROLT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "compute and verify GOST R 34.11-94 and GOST R 34.11-2012 hashes of files")
# Debian shows the description as it stands: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION [[
Verolt hashes the files that a path and mask select, through subdirectories
on request, or that a list file names, by the Russian hash standards
GOST R 34.11-94, with any of its three parameter sets, and GOST R 34.11-2012,
with values of 256 or 512 bits. It writes hash lists, computes one stream hash
over many files taken as one data stream, verifies lists and stream hashes,
and keeps a .hsh file beside single files.

Its lists are byte for byte those of its Windows build (CR LF line ends,
Windows-1251 program texts), files are hashed on every core, and its exit
codes are fixed for use in scripts.]])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME verolt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The architecture and the output directory are set here rather than left to CPack, so that the
# paths packages.txt gives below are the packages' own.
find_program(VEROLT_DPKG dpkg REQUIRED)
execute_process(COMMAND ${VEROLT_DPKG} --print-architecture
                OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

configure_file(${CMAKE_CURRENT_LIST_DIR}/cpack_options.cmake.in
               ${CMAKE_BINARY_DIR}/cpack_options.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/cpack_options.cmake)
include(CPack)

# What the packages are and where, for their checks (.ci/check_packages), which then need not
# guess file names or read this build's cache. No zip line when no zip is made; the Windows build
# is named either way, so that the checks can tell a zip left out for want of it.
set(zipLine "")
if(VEROLT_ZIP)  # not CPACK_GENERATOR: include(CPack) leaves the source generators in it
  set(zipLine "zip=${CMAKE_BINARY_DIR}/${VEROLT_ZIP_NAME}.zip\n")
endif()
verolt_write_if_changed(${CMAKE_BINARY_DIR}/packages.txt "\
version=${PROJECT_VERSION}
deb=${CMAKE_BINARY_DIR}/verolt_${PROJECT_VERSION}_${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}.deb
${zipLine}windows_build=${VEROLT_WINDOWS_BUILD}
")
