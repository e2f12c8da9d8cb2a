# The command-line companion, run as a user runs it.
if(TARGET orbisk-cli)
  add_executable(cli_tests ${CMAKE_CURRENT_SOURCE_DIR}/cli/CliTest.cpp)
  target_link_libraries(cli_tests PRIVATE orbisk_cores GTest::gtest GTest::gtest_main)
  target_compile_definitions(cli_tests PRIVATE
    ORBISK_CLI="$<TARGET_FILE:orbisk-cli>" ORBISK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_include_directories(cli_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/core)
  add_dependencies(cli_tests orbisk-cli orbisk-import program_files)
  gtest_discover_tests(cli_tests DISCOVERY_MODE PRE_TEST PROPERTIES LABELS cli ENVIRONMENT "LC_ALL=C.UTF-8" ENVIRONMENT_MODIFICATION "${ORBISK_TEST_CACHE_SET}")
endif()
