# The layers the build declares: every include of the program's sources is
# checked against the libraries its own library may use.
add_test(NAME build.layers COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_layers.py
  ${CMAKE_BINARY_DIR}/layers.txt ${CMAKE_SOURCE_DIR})
set_tests_properties(build.layers PROPERTIES LABELS build)
