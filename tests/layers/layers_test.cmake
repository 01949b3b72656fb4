# Checks that the build refuses a wrong-way include: code of each folder,
# compiled with that folder's include path (its view in build/layers), can
# include a header of every folder below it, and cannot include one of a
# folder above it or beside it among the front ends. The layers are written
# out here, as the program is meant to be, independently of cmake/layers.cmake.
#   cmake -DCXX=<compiler> -DLAYERS=<build>/layers -DWORK=<scratch folder> -P layers_test.cmake

# One portable header of each folder.
set(header_framework "framework/cp932.h")
set(header_drives "drives/drive_types.h")
set(header_devchange "devchange/device_change_text.h")
set(header_removal "removal/eject.h")
set(header_ui "ui/icon_layout.h")
set(header_app "app/arguments.h")
set(header_cli "cli/command_line.h")
set(folders framework drives devchange removal ui app cli)

# What each folder must never include.
set(above_framework drives devchange removal ui app cli)
set(above_drives devchange removal ui app cli)
set(above_devchange removal ui app cli)
set(above_removal devchange ui app cli)
set(above_ui app cli)
set(above_app cli)
set(above_cli ui app)

file(MAKE_DIRECTORY ${WORK})
set(failures 0)
foreach(folder ${folders})
  foreach(other ${folders})
    file(WRITE ${WORK}/probe.cpp "#include \"${header_${other}}\"\n")
    execute_process(COMMAND ${CXX} -std=c++20 -E -o ${WORK}/probe.i -I${LAYERS}/${folder} ${WORK}/probe.cpp
                    RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
    list(FIND above_${folder} ${other} above)
    if(above EQUAL -1 AND NOT status EQUAL 0)
      message(SEND_ERROR "${folder}/ cannot include ${header_${other}}:\n${errors}")
      math(EXPR failures "${failures} + 1")
    elseif(NOT above EQUAL -1)
      if(status EQUAL 0)
        message(SEND_ERROR "${folder}/ can include ${header_${other}}, from a layer above it")
        math(EXPR failures "${failures} + 1")
      elseif(NOT errors MATCHES "No such file")
        message(SEND_ERROR "${folder}/ including ${header_${other}} failed otherwise:\n${errors}")
        math(EXPR failures "${failures} + 1")
      endif()
    endif()
  endforeach()
endforeach()
file(REMOVE_RECURSE ${WORK})
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include checks failed")
endif()
message(STATUS "every folder includes downwards only")
