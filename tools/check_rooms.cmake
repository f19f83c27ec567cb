# Fails when a source file includes a header of a room above its own, or when
# a room's sub-folder (a toolkit backend, a system's half) reaches past what
# it implements.
# Run as: cmake -DSOURCE_DIR=<tree> -P tools/check_rooms.cmake
cmake_policy(SET CMP0057 NEW)
set(base interface platform)
set(allowed_interface interface)
set(allowed_platform interface platform)
set(allowed_model ${base} model)
set(allowed_kernels ${base} kernels)
set(allowed_effect ${allowed_kernels} model effect)
set(allowed_codec ${allowed_effect} codec)
set(allowed_settings ${allowed_codec} settings)
set(allowed_export ${allowed_settings} export)
set(allowed_resources ${allowed_model} resources)
set(allowed_ui ${allowed_export} resources ui)
set(allowed_plugin ${allowed_ui} plugin)
# Above the plug-in boundary: the host knows a plug-in only through the host
# interface; the program reads our own file formats but gets pixels only
# through the module.
set(allowed_host ${base} host)
set(allowed_apps ${base} host model settings codec apps)
# The GIMP adapter stands beside the program: the host, the settings table.
set(allowed_gimp ${base} host model gimp)

# Sub-rooms. A room's own files never include its sub-folders (the build picks
# a system's half or links a backend); the plug-in's module folder sits on top
# of the plug-in and sees all of it.
set(allowed_plugin/module ${allowed_plugin} plugin/module)
# A system's half holds only the system calls behind its room's declarations:
# it sees its room, the rooms below, and itself, never the other half.
foreach(room platform host)
  foreach(system posix win32)
    set(allowed_${room}/${system} ${allowed_${room}} ${room}/${system})
  endforeach()
endforeach()
# The failure sweeps' heap hook sees its room and nothing above it.
set(allowed_platform/heap_failures ${allowed_platform} platform/heap_failures)
# A toolkit backend implements the window layer and sees only it (never the
# dialog logic written against it), the rooms below the dialogs, the cairo
# drawing the backends share, and itself.
set(window_layer ui/window_layer.h ui/message_box.h ui/window_system.h ui/dialog_placement.h ui/dialog_layouts.h)
set(below_ui ${allowed_export} resources)
set(allowed_ui/cairo ${below_ui} ${window_layer} ui/cairo)
foreach(backend headless gtk win32)
  set(allowed_ui/${backend} ${below_ui} ${window_layer} ui/cairo ui/${backend})
endforeach()

# The place a path belongs to: "room/sub" when its second part is a folder of
# the tree, else "room".
function(place_of path result)
  string(REGEX MATCH "^[a-z_0-9]+/[a-z_0-9]+/" sub "${path}")
  string(REGEX MATCH "^[a-z_0-9]+" room "${path}")
  if(sub AND IS_DIRECTORY ${SOURCE_DIR}/${sub})
    string(REGEX REPLACE "/$" "" sub "${sub}")
    set(${result} ${sub} PARENT_SCOPE)
  else()
    set(${result} ${room} PARENT_SCOPE)
  endif()
endfunction()

# Any spacing around the '#' and before the quote: an include indented inside
# a conditional counts as much as one at the start of a line.
set(include_pattern "^[ \t]*#[ \t]*include[ \t]*\"([a-z_0-9]+/[^\"]*)\"")
set(violations "")
foreach(room interface platform model kernels effect codec settings export resources ui plugin host apps gimp)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${room}/*.h ${SOURCE_DIR}/${room}/*.cpp)
  foreach(source ${sources})
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
    place_of("${shown}" own)
    if(NOT DEFINED allowed_${own})
      string(APPEND violations "  ${shown}: the folder ${own} has no rule in tools/check_rooms.cmake\n")
      continue()
    endif()
    file(STRINGS ${source} includes REGEX "${include_pattern}")
    foreach(line ${includes})
      string(REGEX REPLACE "${include_pattern}.*" "\\1" included "${line}")
      place_of("${included}" where)
      if(NOT where IN_LIST allowed_${own} AND NOT included IN_LIST allowed_${own})
        string(STRIP "${line}" line)
        string(APPEND violations "  ${shown}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(violations)
  message(FATAL_ERROR "Includes that run upward or across the plug-in boundary:\n${violations}")
endif()
