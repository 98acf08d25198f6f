# Holds every #include "..." of the sources under SRC to the layer graph, and fails naming each
# include that goes against it:  cmake -DSRC=<src folder> -P check_layers.cmake
#
# A file may include files of its own folder and of the folders its folder may use below.
# Angle-bracket includes (the C++ library, POSIX, Qt) are not looked at. A folder missing from
# the graph is itself an error, so a new folder has to be placed in it first.
cmake_minimum_required(VERSION 3.25)

if(NOT SRC)
  message(FATAL_ERROR "usage: cmake -DSRC=<src folder> -P check_layers.cmake")
endif()

# folder                          may include
set(may_platform "")
set(may_ui                        platform)
set(may_net                       platform)
set(may_ftp                       net platform)
set(may_http                      net platform)
set(may_tools                     ui platform)
set(may_tools/resistors           tools ui platform)
set(may_tools/components          tools ui platform)
set(may_tools/wires               tools ui platform)
set(may_tools/circuits            tools ui platform)
set(may_datasheets                ftp http net ui platform)
set(may_app                       datasheets tools tools/resistors tools/components tools/wires tools/circuits
                                  ftp http net ui platform)
set(may_qtquick                   ui platform)
set(may_main                      app qtquick ui platform)

get_filename_component(SRC ${SRC} ABSOLUTE)
file(GLOB_RECURSE sources RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
list(SORT sources)
set(wrong 0)
foreach(file IN LISTS sources)
  get_filename_component(folder ${file} DIRECTORY)
  if(NOT DEFINED may_${folder})
    message(SEND_ERROR "${file}: the folder ${folder}/ has no place in the layer graph")
    math(EXPR wrong "${wrong} + 1")
    continue()
  endif()
  file(STRINGS ${SRC}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"([^\"]+)\"" quoted "${line}")
    set(included ${CMAKE_MATCH_1})
    get_filename_component(target ${included} DIRECTORY)
    if(target STREQUAL "" OR target STREQUAL folder OR target IN_LIST may_${folder})
      continue()
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
