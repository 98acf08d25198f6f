# The layer graph: which folders under src/ each folder may include. The build links each
# layer library to the libraries of exactly these folders (ohmkit_add_layer), and the CTest
# test "layers" (check_layers.cmake) holds every include under src/ to the same table.
# A folder may always use itself; a folder missing here has no place in the build.

# folder                          may include
set(may_platform "")
set(may_ui                        platform)
set(may_net                       platform)
set(may_store                     platform)
set(may_ftp                       store net platform)
set(may_http                      store net platform)
set(may_tools                     ui platform)
set(may_tools/resistors           tools ui platform)
set(may_tools/components          tools ui platform)
set(may_tools/wires               tools ui platform)
set(may_tools/circuits            tools ui platform)
set(may_datasheets                ftp http store net ui platform)
set(may_app                       datasheets tools tools/resistors tools/components tools/wires tools/circuits
                                  ftp http store net ui platform)
set(may_qtquick                   ui platform)
set(may_main                      app qtquick ui platform)

# The library a folder's sources are built into: a sub-folder of tools/ is part of tools.
function(ohmkit_layer_library folder out)
  string(REGEX REPLACE "/.*" "" top "${folder}")
  set(${out} ohmkit_${top} PARENT_SCOPE)
endfunction()
