# Runs the include check over a small tree with known faults: it must fail,
# name every faulty include (sub-rooms, indented includes, a folder without a
# rule) and none of the allowed ones.
# Run as: cmake -DSOURCE_DIR=<repository> -P tests/tools/check_rooms_test.cmake
set(tree ${SOURCE_DIR}/tests/tools/rooms_fixture)
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -P ${SOURCE_DIR}/tools/check_rooms.cmake
                RESULT_VARIABLE status ERROR_VARIABLE report OUTPUT_VARIABLE report_out)
string(APPEND report "${report_out}")
if(status EQUAL 0)
  message(FATAL_ERROR "the check passed a tree with faulty includes")
endif()
set(expected
    "platform/files.cpp: #include \"platform/posix/half.h\""
    "platform/posix/half.cpp: #include \"platform/win32/half.h\""
    "kernels/indented.h: #include \"effect/upward.h\""
    "kernels/indented.h: #  include \"plugin/upward.h\""
    "ui/gtk/bad_backend.cpp: #include \"ui/main_dialog.h\""
    "plugin/entry.h: #include \"plugin/module/exports.h\""
    "kernels/vector/lanes.h: the folder kernels/vector has no rule")
foreach(line IN LISTS expected)
  string(FIND "${report}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "not reported: ${line}\nreport:\n${report}")
  endif()
endforeach()
# Allowed: a backend's window layer, shared drawing, own header and lower
# rooms; a tab-indented include of the own room; the module above the plug-in.
foreach(file good_backend.cpp surface.h "pixels.h\"" exports.cpp "main_dialog.h: " "half.h: ")
  string(FIND "${report}" "${file}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "reported though allowed: ${file}\nreport:\n${report}")
  endif()
endforeach()
