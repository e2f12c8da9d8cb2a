# The Access writer's files read by independent readers: jet_samples writes
# them (with what each must hold), then mdbtools and the npm package mdb-reader
# read every one of them.
add_executable(jet_samples ${CMAKE_CURRENT_SOURCE_DIR}/jet/WriteAccessSamples.cpp)
target_link_libraries(jet_samples PRIVATE orbisk_cores)
target_compile_definitions(jet_samples PRIVATE ORBISK_TEST_DATA="${ORBISK_TEST_DATA}")
set(JET_SAMPLES ${CMAKE_BINARY_DIR}/jet-samples)
add_test(NAME jet.write-samples COMMAND jet_samples ${JET_SAMPLES})
set_tests_properties(jet.write-samples PROPERTIES FIXTURES_SETUP jet_samples LABELS jet)
add_test(NAME jet.read-with-mdbtools
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/jet/check_mdbtools.py ${JET_SAMPLES})
add_test(NAME jet.read-with-mdb-reader
         COMMAND node ${CMAKE_CURRENT_SOURCE_DIR}/node/check_access.mjs ${JET_SAMPLES})
set_tests_properties(jet.read-with-mdbtools jet.read-with-mdb-reader PROPERTIES
  FIXTURES_REQUIRED jet_samples LABELS jet TIMEOUT 300)
