# Crafted directory files through the command line: statements hidden in a
# schema, odd declared types, a view standing in for a table, a WAL-mode file,
# damaged Access data pages, rows and usage maps. Each gives the right rows or
# a clear error, within seconds and bounded memory, and changes no other file.
if(TARGET orbisk-cli AND TARGET orbisk-gensample)
  add_test(NAME hostile.import-files
           COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/hostile/import/hostile_import.py check
                   $<TARGET_FILE:orbisk-gensample> ${CMAKE_CURRENT_SOURCE_DIR}/data/access
                   $<TARGET_FILE:orbisk-cli> ${CMAKE_CURRENT_BINARY_DIR}/hostile-import)
  set_tests_properties(hostile.import-files PROPERTIES TIMEOUT 300 LABELS hostile)
endif()
