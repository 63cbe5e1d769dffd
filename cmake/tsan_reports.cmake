# ThreadSanitizer's reports from a test run, kept in files (log_path) so that a report fails the
# run even when the test that met it looks neither at the exit status nor at standard error.
#   cmake -DREPORTS=<dir> -DMODE=clear -P tsan_reports.cmake   before the tests: an empty <dir>
#   cmake -DREPORTS=<dir> -DMODE=check -P tsan_reports.cmake   after them: fails on any report
if(NOT REPORTS)
  message(FATAL_ERROR "REPORTS is not set")
endif()

if(MODE STREQUAL "clear")
  file(REMOVE_RECURSE ${REPORTS})
  file(MAKE_DIRECTORY ${REPORTS})
elseif(MODE STREQUAL "check")
  file(GLOB reports ${REPORTS}/*)
  if(reports)
    # One race usually shows in many runs: the first few reports tell it, the rest would bury it.
    list(LENGTH reports count)
    list(SUBLIST reports 0 3 shown)
    foreach(report IN LISTS shown)
      file(READ ${report} text)
      message("${report}:\n${text}")
    endforeach()
    message(FATAL_ERROR "ThreadSanitizer: ${count} report file(s) in ${REPORTS} (exit status 66 "
                        "in a test is a report)")
  endif()
  message("No ThreadSanitizer report")
else()
  message(FATAL_ERROR "MODE must be clear or check")
endif()
