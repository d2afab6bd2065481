# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the bash completion of horlo from its --help, so that the two cannot drift.
# Run as: cmake -DHORLO=<horlo> -DTEMPLATE=<horlo.bash.in> -DOUTPUT=<file> -P Completion.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 ${HORLO} --help
  OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${HORLO} --help failed: ${status}")
endif()

# A command's line in the list after "Komande:" starts with two spaces and its
# words, then its arguments, and after two more spaces, maybe, its description.
string(REGEX REPLACE ".*\nKomande:\n" "" commands "${help}")
string(REGEX REPLACE "\n\n.*" "" commands "${commands}")
# a ";" in a description would split a list element; no command's line has one
string(REPLACE ";" "," commands "${commands}")
string(REPLACE "\n" ";" lines "${commands}")
set(entries "")
set(open FALSE) # the last command's usage may go on, its arguments indented on the next line
foreach(line IN LISTS lines)
  if(open AND line MATCHES "^    +(\\[.*)$")
    string(REGEX MATCHALL "--[a-z][a-z-]*" more "${CMAKE_MATCH_1}")
    list(JOIN more " " more)
    list(POP_BACK entries last)
    string(STRIP "${last} ${more}" last)
    list(APPEND entries "${last}")
    continue()
  endif()
  set(open FALSE)
  if(NOT line MATCHES "^  ([a-z][^ ].*)$")
    continue()
  endif()
  set(whole "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "   *.*" "" usage "${whole}")
  if(usage STREQUAL whole)
    set(open TRUE) # no description on its line
  endif()
  string(REGEX MATCH "^[a-z][a-z-]*( [a-z][a-z-]*)*" words "${usage}")
  string(REGEX MATCHALL "--[a-z][a-z-]*" options "${usage}")
  list(JOIN options " " options)
  string(STRIP "${words} ${options}" entry)
  list(APPEND entries "${entry}")
endforeach()
list(JOIN entries "\n" table)
if(table STREQUAL "")
  message(FATAL_ERROR "no commands found in the help of ${HORLO}")
endif()
string(STRIP "${table}" HORLO_COMPLETION_TABLE)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
