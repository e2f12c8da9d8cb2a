# The version is written once, in the project; programs take it from the
# generated header, and the files that cannot include it must agree with it.
add_test(NAME version.one_place
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DVERSION=${PROJECT_VERSION}
          -DHEADER=${CMAKE_BINARY_DIR}/generated/OrbiskVersion.h
          -P ${CMAKE_CURRENT_SOURCE_DIR}/version/check_version.cmake)
set_tests_properties(version.one_place PROPERTIES LABELS core)
