# Holds every #include of every file under SRC to the layer graph (layers.cmake), and fails
# naming each include that goes against it:  cmake -DSRC=<src folder> -P check_layers.cmake
#
# A file may include files of its own folder and of the folders its folder may use. An include
# in angle brackets is held to the graph too when it names a folder of the graph
# (<ftp/ftp_server.h>, a file under SRC); the others (the C++ library, POSIX, Qt) are not looked at. A folder
# missing from the graph is itself an error, so a new folder has to be placed in it first.
cmake_minimum_required(VERSION 3.25)

if(NOT SRC)
  message(FATAL_ERROR "usage: cmake -DSRC=<src folder> -P check_layers.cmake")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

get_filename_component(SRC ${SRC} ABSOLUTE)
file(GLOB_RECURSE sources RELATIVE ${SRC} ${SRC}/*)
list(SORT sources)
set(wrong 0)
foreach(file IN LISTS sources)
  get_filename_component(folder ${file} DIRECTORY)
  if(NOT DEFINED may_${folder})
    message(SEND_ERROR "${file}: the folder ${folder}/ has no place in the layer graph")
    math(EXPR wrong "${wrong} + 1")
    continue()
  endif()
  file(STRINGS ${SRC}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "include[ \t]*([<\"])([^>\"]+)[>\"]" quoted "${line}")
    set(bracket ${CMAKE_MATCH_1})
    set(included ${CMAKE_MATCH_2})
    get_filename_component(target "${included}" DIRECTORY)
    if(target STREQUAL "" OR target STREQUAL folder OR target IN_LIST may_${folder})
      continue()
    endif()
    if(bracket STREQUAL "<" AND NOT EXISTS ${SRC}/${included})
      continue()   # not one of ours (<net/if.h> is the system's)
    endif()
    message(SEND_ERROR "${file} includes ${included}: ${folder}/ may not use ${target}/")
    math(EXPR wrong "${wrong} + 1")
  endforeach()
endforeach()

list(LENGTH sources count)
if(wrong GREATER 0)
  message(FATAL_ERROR "${wrong} include(s) against the layer graph in ${count} files")
endif()
message(STATUS "${count} files keep to the layer graph")
