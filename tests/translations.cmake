# Every text the windows show has a finished French translation, and the
# translation files keep no text the sources dropped. The same check run over
# one more source file holding a new text must fail.
if(ORBISK_GUI AND DEFINED ORBISK_TS_FILES)
  set(lupdate_dirs)
  foreach(folder ${ORBISK_LUPDATE_FOLDERS})
    list(APPEND lupdate_dirs ${CMAKE_SOURCE_DIR}/${folder})
  endforeach()
  foreach(ts ${ORBISK_TS_FILES})
    get_filename_component(ts_name ${ts} NAME_WE)
    add_test(NAME translations.${ts_name}.complete
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/i18n/check_translations.sh $<TARGET_FILE:Qt6::lupdate>
                     ${CMAKE_SOURCE_DIR} ${ts} -I ${CMAKE_SOURCE_DIR} ${ORBISK_LUPDATE_OPTIONS} -extensions cpp,h ${lupdate_dirs})
    add_test(NAME translations.${ts_name}.catches_new_text
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/i18n/check_translations.sh $<TARGET_FILE:Qt6::lupdate>
                     ${CMAKE_SOURCE_DIR} ${ts} -I ${CMAKE_SOURCE_DIR} ${ORBISK_LUPDATE_OPTIONS} -extensions cpp,h ${lupdate_dirs}
                     ${CMAKE_CURRENT_SOURCE_DIR}/i18n/untranslated)
    set_tests_properties(translations.${ts_name}.complete translations.${ts_name}.catches_new_text
                         PROPERTIES LABELS translations TIMEOUT 120)
    set_tests_properties(translations.${ts_name}.catches_new_text PROPERTIES WILL_FAIL TRUE)
  endforeach()
endif()
