# The windows as a screen reader sees them: the program runs under Xvfb with an
# AT-SPI bus, and a walk of its accessibility tree checks every control's name.
if(ORBISK_GUI)
  add_test(NAME ui.accessibility COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/atspi/run.sh $<TARGET_FILE:orbisk>)
  set_tests_properties(ui.accessibility PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180 ENVIRONMENT "LC_ALL=C.UTF-8")
endif()
