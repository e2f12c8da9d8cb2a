# A look at the details, contact, category, map, About and export windows on a screen
# (not a test): ui_windows_demo <company|contact|category|map|about|export|chooser> [tab].
if(ORBISK_GUI)
  add_executable(ui_windows_demo ${CMAKE_CURRENT_SOURCE_DIR}/ui/WindowsDemo.cpp)
  target_link_libraries(ui_windows_demo PRIVATE orbisk_windows)
  target_compile_definitions(ui_windows_demo PRIVATE ORBISK_BUILD_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(ui_windows_demo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/demo)
endif()
