# The build's layers. Every library and program of the program folders is
# declared through these two functions, which name exactly the libraries a
# target may use; the table they fill (layers.txt in the build tree) is what
# the include check (tools/check_layers.py, the test build.layers) holds every
# `#include "folder/..."` against.
#
#   orbisk_library(<name> [WINDOWS] SOURCES <files> [USES <our libraries>] [LINKS <others>])
#   orbisk_program(<name> SOURCES <files> [USES <our libraries>] [LINKS <others>])
#
# SOURCES are the folder's own files, headers included, so that each header
# has exactly one owner. WINDOWS marks a library that may use Qt.

function(_orbisk_record name kind sources uses)
  set(files)
  foreach(f ${sources})
    if(NOT IS_ABSOLUTE ${f})
      set(f ${CMAKE_CURRENT_SOURCE_DIR}/${f})
    endif()
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${f})
    list(APPEND files ${rel})
  endforeach()
  list(JOIN files "," files)
  list(JOIN uses "," uses)
  set_property(GLOBAL APPEND PROPERTY ORBISK_LAYER_TABLE "${name}|${kind}|${uses}|${files}")
endfunction()

function(orbisk_library name)
  cmake_parse_arguments(L "WINDOWS" "" "SOURCES;USES;LINKS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC ${L_USES} ${L_LINKS})
  set(kind core)
  if(L_WINDOWS)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    set(kind windows)
  endif()
  _orbisk_record(${name} ${kind} "${L_SOURCES}" "${L_USES}")
endfunction()

function(orbisk_program name)
  cmake_parse_arguments(P "WINDOWS" "" "SOURCES;USES;LINKS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_USES} ${P_LINKS})
  set(kind program)
  if(P_WINDOWS)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    set(kind windows-program)
  endif()
  _orbisk_record(${name} ${kind} "${P_SOURCES}" "${P_USES}")
endfunction()

# Writes the table: one line per target, "name|kind|uses,...|file,...".
function(orbisk_write_layer_table path)
  get_property(table GLOBAL PROPERTY ORBISK_LAYER_TABLE)
  set(text "")
  foreach(entry ${table})
    string(APPEND text "${entry}\n")
  endforeach()
  file(WRITE ${path}.new "${text}")
  file(COPY_FILE ${path}.new ${path} ONLY_IF_DIFFERENT)
endfunction()
