# The interface's translations: translations/orbisk_<lang>.ts compiled into
# the window library as resources (:/i18n/orbisk_<lang>.qm). The sources the
# translation tools read, and how, are given once here for the update target
# (`update_translations`, then translate what is new) and for the check that
# every text is translated.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)
set(ORBISK_TS_FILES ${CMAKE_SOURCE_DIR}/translations/orbisk_fr.ts)
set(ORBISK_LUPDATE_FOLDERS app ui data search browse export strutil about import)
# The Qt-free core marks its shown texts with ORBISK_TR_NOOP(context, text).
set(ORBISK_LUPDATE_OPTIONS -locations none -tr-function-alias QT_TRANSLATE_NOOP+=ORBISK_TR_NOOP)
set(ORBISK_LUPDATE_SOURCES)
foreach(folder ${ORBISK_LUPDATE_FOLDERS})
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  list(APPEND ORBISK_LUPDATE_SOURCES ${found})
endforeach()
qt_add_translations(orbisk_ui TS_FILES ${ORBISK_TS_FILES} RESOURCE_PREFIX /i18n
  SOURCES ${ORBISK_LUPDATE_SOURCES} LUPDATE_OPTIONS ${ORBISK_LUPDATE_OPTIONS} LRELEASE_OPTIONS -nounfinished)
