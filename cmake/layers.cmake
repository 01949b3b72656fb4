# The program's folders are layers: framework/ at the bottom; drives/,
# devchange/ and removal/ above it; the two front ends, ui/ with app/ (the
# window) and cli/ (the console), on top. Each folder is a library of its
# own, linked downwards only, and may include only its own headers and those
# of the folders below it that it uses.
#
# That is enforced by the include path: a folder's code sees the source tree
# through a view of its own, build/layers/<folder>, which holds links to
# exactly the folders it may include. A header from anywhere else is not
# found, and the build stops at the wrong-way include.

# quorlin_layer_view(FOLDER SEES...): makes the view of FOLDER, which sees
# itself and the folders SEES, and sets QUORLIN_VIEW_<FOLDER> to its path.
function(quorlin_layer_view folder)
  set(view ${CMAKE_BINARY_DIR}/layers/${folder})
  # Links left by an earlier configuration go first: a folder may have lost
  # one. (The links themselves are removed, never what they point to.)
  file(GLOB old_links ${view}/*)
  foreach(link ${old_links})
    file(REMOVE ${link})
  endforeach()
  file(MAKE_DIRECTORY ${view})
  foreach(seen ${folder} ${ARGN})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${seen} ${view}/${seen} SYMBOLIC)
  endforeach()
  set(QUORLIN_VIEW_${folder} ${view} PARENT_SCOPE)
endfunction()

# The layers, from the bottom up. res/ holds the resource ids and versions
# that the front ends share with their resource scripts.
quorlin_layer_view(framework)
quorlin_layer_view(drives framework)
quorlin_layer_view(devchange drives framework)
quorlin_layer_view(removal drives framework)
quorlin_layer_view(ui devchange removal drives framework res)
quorlin_layer_view(app ui devchange removal drives framework res)
quorlin_layer_view(cli devchange removal drives framework res)

# quorlin_layer(TARGET FOLDER): TARGET holds code of FOLDER and so sees the
# tree through FOLDER's view, and nothing else of it.
function(quorlin_layer target folder)
  target_include_directories(${target} PRIVATE ${QUORLIN_VIEW_${folder}})
  if(WIN32)
    # Debug information of the program's own code, for the shipped programs'
    # debug files. -g leaves the generated code unchanged.
    target_compile_options(${target} PRIVATE -g)
  endif()
endfunction()
