# libFuzzer targets for the byte search, the template engine, the text
# collation's ASCII shortcut, the importer's row decoding, the LIKE
# byte search and the Jet reader of the Access export (a file's pages and catalog). With
# ORBISK_FUZZ (clang only) they are built in this tree; every build registers a
# test that builds them in a clang tree of its own and runs each one for a
# bounded number of inputs.
if(ORBISK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORBISK_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # The targets link the libraries they reach; the whole tree is built with
  # coverage and address instrumentation (see the top CMakeLists.txt).
  foreach(name bytesearch template collation accessrow like jetcatalog)
    add_executable(fuzz_${name} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_${name}.cpp)
    target_link_libraries(fuzz_${name} PRIVATE orbisk_export orbisk_import orbisk_data orbisk_strutil)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endforeach()
  set(FUZZ_TREE ${CMAKE_BINARY_DIR})
else()
  set(FUZZ_TREE ${CMAKE_BINARY_DIR}/fuzz-build)
endif()
add_test(NAME fuzz.bounded COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run.sh ${FUZZ_TREE} 200000)
set_tests_properties(fuzz.bounded PROPERTIES TIMEOUT 900 LABELS fuzz)
