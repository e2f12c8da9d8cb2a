# The interface's translations: translations/orbisk_<lang>.ts compiled into
# the window library as resources (:/i18n/orbisk_<lang>.qm). The sources the
# translation tools read, and how, are given once here for the update target
# and for the check that every text is translated.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)
set(ORBISK_TS_FILES ${CMAKE_SOURCE_DIR}/translations/orbisk_fr.ts)
set(ORBISK_LUPDATE_FOLDERS app data search browse export strutil about import)
# The Qt-free core marks its shown texts with ORBISK_TR_NOOP(context, text).
set(ORBISK_LUPDATE_OPTIONS -I ${CMAKE_SOURCE_DIR} -locations none -tr-function-alias QT_TRANSLATE_NOOP+=ORBISK_TR_NOOP)
qt_add_translations(orbisk_ui TS_FILES ${ORBISK_TS_FILES} RESOURCE_PREFIX /i18n LRELEASE_OPTIONS -nounfinished)

# Refreshes the .ts files from the sources (then translate what is new).
set(lupdate_dirs)
foreach(folder ${ORBISK_LUPDATE_FOLDERS})
  list(APPEND lupdate_dirs ${CMAKE_SOURCE_DIR}/${folder})
endforeach()
add_custom_target(orbisk_update_translations
  COMMAND Qt6::lupdate ${ORBISK_LUPDATE_OPTIONS} -extensions cpp,h ${lupdate_dirs} -ts ${ORBISK_TS_FILES}
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} VERBATIM)
