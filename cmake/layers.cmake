# The program's folders are layers, and this file is where they are declared:
# one quorlin_library() per folder, from the bottom up. Each folder is a
# library of its own, quorlin_<folder>, that may include its own headers and
# those of the folders it USES, and nothing else of the tree.
#
# That is enforced by the include path: a folder's code sees the source tree
# through a view of its own, build/<preset>/layers/<folder>, which holds links
# to exactly the folders it may include. A header from anywhere else is not
# found, and the build stops at the wrong-way include.
#
# The layers test (tests/layers/layers_test.py) and the include picture
# (scripts/include-graph.sh) read the declarations below through
# scripts/layers.py, so keep them plain: one call per folder, names only, no
# variables.

# quorlin_library(FOLDER [PORTABLE files...] [WIN32 files...] [USES folders...]
#                 [IMPORTS libraries...])
# makes the library quorlin_FOLDER of the files FOLDER/PORTABLE, which are
# standard C++ and build everywhere, and FOLDER/WIN32, which join them in the
# Windows builds. It links the libraries of the folders USES and, in the
# Windows builds, the system's import libraries IMPORTS; and it makes the
# view of FOLDER, which sees FOLDER and USES, and sets QUORLIN_VIEW_<FOLDER>
# to its path. A folder without files on this platform is a library of
# headers only.
#
# USES names folders declared before, so the layers cannot run in a circle,
# and names all that the folder sees: what a used folder uses too, since its
# headers include theirs.
function(quorlin_library folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PORTABLE;WIN32;USES;IMPORTS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "quorlin_library(${folder}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  get_property(declared GLOBAL PROPERTY QUORLIN_LAYERS)
  foreach(used ${arg_USES})
    if(NOT used IN_LIST declared)
      message(FATAL_ERROR "quorlin_library(${folder}): uses ${used}, which is not declared before it")
    endif()
    get_property(below GLOBAL PROPERTY QUORLIN_USES_${used})
    foreach(seen ${below})
      if(NOT seen IN_LIST arg_USES)
        message(FATAL_ERROR "quorlin_library(${folder}): uses ${used}, which uses ${seen}; "
                            "name ${seen} too")
      endif()
    endforeach()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QUORLIN_LAYERS ${folder})
  set_property(GLOBAL PROPERTY QUORLIN_USES_${folder} ${arg_USES})

  set(view ${CMAKE_BINARY_DIR}/layers/${folder})
  # Links left by an earlier configuration go first: a folder may have lost
  # one. (The links themselves are removed, never what they point to.)
  file(GLOB old_links ${view}/*)
  foreach(link ${old_links})
    file(REMOVE ${link})
  endforeach()
  file(MAKE_DIRECTORY ${view})
  foreach(seen ${folder} ${arg_USES})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${seen} ${view}/${seen} SYMBOLIC)
  endforeach()
  set(QUORLIN_VIEW_${folder} ${view})
  set(QUORLIN_VIEW_${folder} ${view} PARENT_SCOPE)

  set(files ${arg_PORTABLE})
  if(WIN32)
    list(APPEND files ${arg_WIN32})
  endif()
  list(TRANSFORM files PREPEND ${CMAKE_SOURCE_DIR}/${folder}/)
  list(TRANSFORM arg_USES PREPEND quorlin_ OUTPUT_VARIABLE libraries)
  set(target quorlin_${folder})
  if(files)
    add_library(${target} STATIC ${files})
    quorlin_layer(${target} ${folder})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_link_libraries(${target} ${scope} ${libraries})
  if(WIN32)
    target_link_libraries(${target} ${scope} ${arg_IMPORTS})
  endif()
endfunction()

# quorlin_layer(TARGET FOLDER): TARGET, FOLDER's library or a program, holds
# code of FOLDER and so sees the tree through FOLDER's view, and nothing else
# of it.
function(quorlin_layer target folder)
  set(view ${QUORLIN_VIEW_${folder}})
  target_include_directories(${target} PRIVATE ${view})
  if(WIN32)
    # Debug information of the program's own code, for the shipped programs'
    # debug files. -g leaves the generated code unchanged. The view's headers
    # are named as in the source folder, so that the debug files, and with
    # them the programs' debug links, are the same from any build folder.
    target_compile_options(${target} PRIVATE -g -ffile-prefix-map=${view}=.)
  endif()
endfunction()

# The layers, from the bottom up.
quorlin_library(framework
  # Text conversion, the command-line splitter, the trace writer and the
  # version text, which every layer may use; and the thin Win32 layer in
  # place of the dialog framework.
  PORTABLE command_line_split.cpp cp932.cpp version_text.cpp
  WIN32 arguments_win.cpp controls_win.cpp dialog_win.cpp shell_win.cpp text_console_win.cpp
        text_win.cpp trace_win.cpp user_win.cpp version_text_win.cpp winapp_win.cpp wnd_win.cpp
  IMPORTS comctl32 version)

quorlin_library(drives
  # The drive vocabulary and types, the report, and the queries behind them.
  PORTABLE drive_report.cpp drive_types.cpp
  WIN32 drive_queries_win.cpp
  USES framework)

quorlin_library(devchange
  # The text of one device-change broadcast, its record, the log's bound.
  PORTABLE broadcast_record.cpp device_change_text.cpp
  WIN32 broadcast_record_win.cpp
  USES drives framework)

quorlin_library(removal
  # The storage device lookup and the eject procedure, over a small platform
  # interface; and who holds a drive, from the system's open handles.
  PORTABLE device_lookup.cpp eject.cpp eject_wait.cpp holder_walk.cpp holders.cpp
           media_eject.cpp
  WIN32 eject_win.cpp holder_walk_platform_win.cpp holders_win.cpp removal_platform_win.cpp
  USES drives framework
  IMPORTS setupapi ntdll)

# The resource ids and the version that the front ends share with their
# resource scripts: headers only.
quorlin_library(res)

quorlin_library(ui
  # The window program's windows: the main window, its two panes and the
  # About box; the drive list's rebuild and the icon's place are portable.
  WIN32 about_dlg_win.cpp control_dlg_win.cpp log_dlg_win.cpp quorlin_dlg_win.cpp
  USES devchange removal drives framework res)

quorlin_library(app
  # The window program's start-up and argument scan (the program: app/).
  PORTABLE arguments.cpp
  USES ui devchange removal drives framework res)

quorlin_library(cli
  # The console program's command line, texts and JSON (the program: cli/).
  PORTABLE command_line.cpp command_text.cpp json_output.cpp timestamp.cpp
  USES devchange removal drives framework res)
