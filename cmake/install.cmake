# Install rules.
#
# POSIX: the program in bin/, the manual pages in English and Russian under share/man/, and the
# text documents in share/doc/verolt/. With VEROLT_PACKAGE the same go into Debian's layout
# instead: pages compressed, the licence as a machine-readable copyright file, the changelog
# compressed under the name Debian looks for.
# Windows: Verolt.exe and the text documents side by side, with CR LF line ends, as a zip holds
# them for Windows users.

include(GNUInstallDirs)
set(VEROLT_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/verolt)
set(VEROLT_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/install)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Writes `content` only when it differs, so that a reconfigure does not touch the file.
function(verolt_write_if_changed path content)
  if(EXISTS ${path})
    file(READ ${path} old)
    if(old STREQUAL content)
      return()
    endif()
  endif()
  file(WRITE ${path} "${content}")
endfunction()

# A text document with CR LF line ends, whatever the source's.
function(verolt_crlf_copy source destination)
  file(READ ${source} content)
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" "\r\n" content "${content}")
  verolt_write_if_changed(${destination} "${content}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

# The licence as Debian's machine-readable copyright file: the holder from LICENSE's copyright
# line, the permission notice below it as the licence text, so that LICENSE stays the one source.
function(verolt_debian_copyright destination)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" ignored "${licence}")
  set(holder "${CMAKE_MATCH_1}")
  string(FIND "${licence}" "Permission is hereby granted" start)
  if(holder STREQUAL "" OR start LESS 0)
    message(FATAL_ERROR "LICENSE: no copyright line or no MIT permission notice")
  endif()
  string(SUBSTRING "${licence}" ${start} -1 text)
  string(STRIP "${text}" text)
  # Continuation lines start with a blank; an empty line is a lone full stop.
  string(REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n" "\n " text "${text}")
  verolt_write_if_changed(${destination}
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Verolt

Files: *
Copyright: ${holder}
License: Expat

License: Expat
 ${text}
")
endfunction()

# CHANGELOG.md as the changelog of a native Debian package: one entry per "## version (date)"
# section, with its headings, items and their continuation lines.
function(verolt_debian_changelog destination maintainer)
  file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md text)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
  # Characters that CMake lists treat specially stand in for themselves as control codes.
  string(ASCII 1 semicolon)
  string(ASCII 2 open)
  string(ASCII 3 close)
  string(REPLACE ";" "${semicolon}" text "${text}")
  string(REPLACE "[" "${open}" text "${text}")
  string(REPLACE "]" "${close}" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(out "")
  set(trailer "")
  set(pendingBlank OFF)
  foreach(line IN LISTS lines)
    if(line MATCHES "^## ([^ ]+) \\(([0-9]+)-([0-9]+)-([0-9]+)\\)$")
      string(APPEND out "${trailer}")
      set(version ${CMAKE_MATCH_1})
      set(y ${CMAKE_MATCH_2})
      math(EXPR m "${CMAKE_MATCH_3}")
      math(EXPR d "${CMAKE_MATCH_4}")
      # Day of the week (0 Sunday), Sakamoto's method.
      set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
      math(EXPR i "${m} - 1")
      list(GET offsets ${i} offset)
      set(yy ${y})
      if(m LESS 3)
        math(EXPR yy "${y} - 1")
      endif()
      math(EXPR dow "(${yy} + ${yy} / 4 - ${yy} / 100 + ${yy} / 400 + ${offset} + ${d}) % 7")
      set(days Sun Mon Tue Wed Thu Fri Sat)
      set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
      list(GET days ${dow} day)
      list(GET months ${i} month)
      if(d LESS 10)
        set(dd "0${d}")
      else()
        set(dd "${d}")
      endif()
      string(APPEND out "verolt (${version}) unstable; urgency=medium\n")
      set(trailer "\n -- ${maintainer}  ${day}, ${dd} ${month} ${y} 00:00:00 +0000\n\n")
      set(pendingBlank ON)
    elseif(trailer STREQUAL "" OR line MATCHES "^# ")
      # The title and the introduction before the first version.
    elseif(line STREQUAL "")
      set(pendingBlank ON)
    else()
      if(pendingBlank)
        string(APPEND out "\n")
        set(pendingBlank OFF)
      endif()
      if(line MATCHES "^### (.*)$")
        string(APPEND out "  ${CMAKE_MATCH_1}:\n")
      elseif(line MATCHES "^- (.*)$")
        string(APPEND out "  * ${CMAKE_MATCH_1}\n")
      elseif(line MATCHES "^  +(.*)$")
        string(APPEND out "    ${CMAKE_MATCH_1}\n")
      else()
        string(APPEND out "  ${line}\n")
      endif()
    endif()
  endforeach()
  string(APPEND out "${trailer}")
  string(REPLACE "${semicolon}" ";" out "${out}")
  string(REPLACE "${open}" "[" out "${out}")
  string(REPLACE "${close}" "]" out "${out}")
  verolt_write_if_changed(${destination} "${out}")
endfunction()

if(WIN32)
  verolt_crlf_copy(${PROJECT_SOURCE_DIR}/README.md ${VEROLT_GENERATED}/README.txt)
  verolt_crlf_copy(${PROJECT_SOURCE_DIR}/LICENSE ${VEROLT_GENERATED}/LICENSE.txt)
  install(TARGETS verolt RUNTIME DESTINATION .)
  install(FILES ${VEROLT_GENERATED}/README.txt ${VEROLT_GENERATED}/LICENSE.txt DESTINATION .)
  return()
endif()

install(TARGETS verolt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT VEROLT_PACKAGE)
  install(FILES man/verolt.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES man/ru/verolt.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)
  install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${VEROLT_DOCDIR})
  return()
endif()

# Debian: gzip -9n, so that the compressed files carry no name or time and the package builds
# the same bytes every time.
set(VEROLT_MAINTAINER "Verolt developers <verolt@example.org>")
verolt_debian_copyright(${VEROLT_GENERATED}/copyright)
verolt_debian_changelog(${VEROLT_GENERATED}/changelog "${VEROLT_MAINTAINER}")
find_program(VEROLT_GZIP gzip REQUIRED)
set(compressed "")
foreach(pair "${PROJECT_SOURCE_DIR}/man/verolt.1|man1/verolt.1.gz"
             "${PROJECT_SOURCE_DIR}/man/ru/verolt.1|ru/man1/verolt.1.gz"
             "${VEROLT_GENERATED}/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 target)
  set(output ${VEROLT_GENERATED}/${target})
  get_filename_component(outputDir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${outputDir}
    COMMAND ${VEROLT_GZIP} -9n -c ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(verolt_compressed_docs ALL DEPENDS ${compressed})

# What Debian's own packaging tools drop beside the symbols: the compilers' version notes.
if(CMAKE_OBJCOPY)
  install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/verolt\"
    COMMAND_ERROR_IS_FATAL ANY)")
endif()
install(FILES ${VEROLT_GENERATED}/man1/verolt.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VEROLT_GENERATED}/ru/man1/verolt.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)
install(FILES ${VEROLT_GENERATED}/copyright ${VEROLT_GENERATED}/changelog.gz README.md
        DESTINATION ${VEROLT_DOCDIR})
