# Damaged copies of a small Access directory through the command line: each
# ends with status 0 or 1 within its limit, never by a signal, and never with
# fewer companies than the sound file.
if(TARGET orbisk-cli AND TARGET orbisk-gensample)
  add_test(NAME mutation.damaged-access-files
           COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/mutation/run_mutations.py
                   $<TARGET_FILE:orbisk-gensample> $<TARGET_FILE:orbisk-cli> ${CMAKE_CURRENT_BINARY_DIR}/mutation-work 240)
  set_tests_properties(mutation.damaged-access-files PROPERTIES TIMEOUT 600 LABELS mutation)
  # The same for an ACE (.accdb) directory written by another program.
  add_test(NAME mutation.damaged-accdb-files
           COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/mutation/run_mutations.py
                   $<TARGET_FILE:orbisk-gensample> $<TARGET_FILE:orbisk-cli> ${CMAKE_CURRENT_BINARY_DIR}/mutation-work-accdb 200
                   ${CMAKE_CURRENT_SOURCE_DIR}/data/access/directory-200.accdb)
  set_tests_properties(mutation.damaged-accdb-files PROPERTIES TIMEOUT 600 LABELS mutation)
endif()
