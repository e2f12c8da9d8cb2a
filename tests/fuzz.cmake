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
  # Only what the targets reach, instrumented for coverage and addresses.
  file(GLOB FUZZ_CORE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/strutil/*.cpp ${CMAKE_SOURCE_DIR}/data/*.cpp
       ${CMAKE_SOURCE_DIR}/data/jet/*.cpp)
  list(APPEND FUZZ_CORE_SOURCES ${CMAKE_SOURCE_DIR}/export/TemplateProccessor.cpp
       ${CMAKE_SOURCE_DIR}/export/TextFile.cpp ${CMAKE_SOURCE_DIR}/import/RowDecode.cpp)
  add_library(orbisk_fuzz_core STATIC ${FUZZ_CORE_SOURCES})
  target_include_directories(orbisk_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(orbisk_fuzz_core PUBLIC SQLite::SQLite3 PkgConfig::ICU)
  target_compile_options(orbisk_fuzz_core PUBLIC -fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer)
  target_link_options(orbisk_fuzz_core PUBLIC -fsanitize=address)
  foreach(name bytesearch template collation accessrow like jetcatalog)
    add_executable(fuzz_${name} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_${name}.cpp)
    target_link_libraries(fuzz_${name} PRIVATE orbisk_fuzz_core)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endforeach()
  set(FUZZ_TREE ${CMAKE_BINARY_DIR})
else()
  set(FUZZ_TREE ${CMAKE_BINARY_DIR}/fuzz-build)
endif()
add_test(NAME fuzz.bounded COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run.sh ${FUZZ_TREE} 200000)
set_tests_properties(fuzz.bounded PROPERTIES TIMEOUT 900 LABELS fuzz)
