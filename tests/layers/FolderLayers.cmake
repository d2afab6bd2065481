# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file includes a folder above its own layer or a sibling of
# the same layer, so that includes between folders run one way only.
# Run as: cmake -DSOURCE_DIR=<project> -P FolderLayers.cmake

# Folder and layer, lowest first. A file may include its own folder and folders
# of lower layers.
set(layers
  host/data=0
  host/ui=1
  host/console=2
  module/device/protocol=3
  module=4
  module/data=5
  module/device=6 module/search=6 module/reports=6
  module/worktime=7
  module/snapin=8)

foreach(entry IN LISTS layers)
  string(REPLACE "=" ";" pair ${entry})
  list(GET pair 0 folder)
  list(GET pair 1 rank)
  set(rank_${folder} ${rank})
  list(APPEND folders ${folder})
endforeach()

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/host/*.h ${SOURCE_DIR}/host/*.cpp
  ${SOURCE_DIR}/module/*.h ${SOURCE_DIR}/module/*.cpp)
set(faults 0)
foreach(source IN LISTS sources)
  get_filename_component(from ${source} DIRECTORY)
  if(NOT DEFINED rank_${from})
    message(SEND_ERROR "${source}: its folder ${from} has no layer in FolderLayers.cmake")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"(host|module)/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    get_filename_component(to ${header} DIRECTORY)
    if(to STREQUAL from)
      continue()
    endif()
    if(NOT DEFINED rank_${to} OR NOT rank_${to} LESS rank_${from})
      message(SEND_ERROR "${source} includes ${header}: ${to} is not below ${from}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) run against the folders' order")
endif()
list(LENGTH sources count)
message(STATUS "${count} files include only their own folder and lower ones")
