# The hostile-files suite: crafted directories, FIFOs, devices, planted and
# stale cache entries, linked and full folders, each run as a user runs the
# command line, with what the user gets checked (a clear error or the right
# rows, in seconds, in bounded memory, nothing outside the test's target
# changed).
if(TARGET orbisk-cli AND TARGET orbisk-gensample)
  set(ORBISK_HOSTILE_FILES ${CMAKE_BINARY_DIR}/hostile-files)
  add_test(NAME hostile.make_files
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/hostile/make_hostile_files.sh
                   $<TARGET_FILE:orbisk-gensample> ${ORBISK_HOSTILE_FILES})
  set_tests_properties(hostile.make_files PROPERTIES FIXTURES_SETUP hostile_files LABELS hostile)

  file(GLOB HOSTILE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/hostile/*.cpp)
  add_executable(hostile_tests ${HOSTILE_TEST_SOURCES})
  target_link_libraries(hostile_tests PRIVATE orbisk_cores GTest::gtest GTest::gtest_main)
  target_include_directories(hostile_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/core)
  target_compile_definitions(hostile_tests PRIVATE
    ORBISK_CLI="$<TARGET_FILE:orbisk-cli>" ORBISK_IMPORTER="$<TARGET_FILE:orbisk-import>"
    ORBISK_HOSTILE_FILES="${ORBISK_HOSTILE_FILES}" ORBISK_BUILD_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(hostile_tests orbisk-cli orbisk-import orbisk-gensample program_files)
  gtest_discover_tests(hostile_tests DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS hostile FIXTURES_REQUIRED hostile_files ENVIRONMENT "LC_ALL=C.UTF-8" TIMEOUT 120)
endif()
