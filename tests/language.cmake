# The window tests run under C.UTF-8; the language test runs once more with
# French preferred, as LANGUAGE names it for a user of the French interface.
if(TARGET ui_Language_test)
  add_test(NAME ui.Language_test.french COMMAND ui_Language_test)
  set_tests_properties(ui.Language_test.french PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANGUAGE=fr_CA:en;ORBISK_EXPECT_LANGUAGE=fr;${ORBISK_TEST_CACHE}"
    TIMEOUT 300)
endif()
