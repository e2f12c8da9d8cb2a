# The desktop files, the man pages, the completion and the installed layout.
set(P ${CMAKE_SOURCE_DIR}/packaging)
find_program(APPSTREAMCLI appstreamcli)
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(GROFF groff)
if(APPSTREAMCLI)
  add_test(NAME packaging.metainfo COMMAND ${APPSTREAMCLI} validate --pedantic --no-net ${P}/ca.orbisk.orbisk.metainfo.xml)
endif()
if(DESKTOP_FILE_VALIDATE)
  # It prints its complaints and still exits 0 for some: any output fails.
  add_test(NAME packaging.desktop COMMAND ${DESKTOP_FILE_VALIDATE} ${P}/orbisk.desktop)
  set_tests_properties(packaging.desktop PROPERTIES FAIL_REGULAR_EXPRESSION ".")
endif()
if(GROFF)
  foreach(page orbisk orbisk-cli)
    add_test(NAME packaging.man.${page} COMMAND ${GROFF} -t -man -Tutf8 -ww -z ${P}/man/${page}.1)
    set_tests_properties(packaging.man.${page} PROPERTIES FAIL_REGULAR_EXPRESSION ".")
  endforeach()
endif()
if(EXISTS /usr/share/bash-completion/bash_completion)
  add_test(NAME packaging.completion
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/completion_test.sh ${P}/orbisk-cli.bash-completion)
endif()
add_test(NAME packaging.install_layout
         COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DWORK=${CMAKE_BINARY_DIR}/install-check
                 -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_SOURCE_DIR}/packaging/InstallLayout.cmake)
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
  add_test(NAME packaging.french_texts
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/packaging/french_texts_test.py
                   ${P}/orbisk.desktop ${P}/ca.orbisk.orbisk.metainfo.xml)
endif()

# Every program carries the hardening of Debian's build flags (fortified calls
# only where the optimiser runs and no sanitizer replaces them).
find_program(READELF readelf)
if(READELF)
  set(programs)
  foreach(t orbisk orbisk-cli orbisk-import)
    if(TARGET ${t})
      list(APPEND programs $<TARGET_FILE:${t}>)
    endif()
  endforeach()
  set(fortify_option)
  if(ORBISK_SANITIZE OR ORBISK_FUZZ OR CMAKE_BUILD_TYPE STREQUAL "Debug")
    set(fortify_option --no-fortify)
  endif()
  add_test(NAME packaging.hardening
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/hardening_test.sh ${fortify_option} ${programs})
endif()

# The Debian package as CPack makes it, through lintian --pedantic: no error,
# no warning (tools/check_deb.sh without its clean-system part).
find_program(LINTIAN lintian)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(FILE_PROGRAM file)
if(LINTIAN AND DPKG_SHLIBDEPS AND FILE_PROGRAM AND NOT ORBISK_SANITIZE)
  add_test(NAME packaging.lintian
           COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_deb.sh --lintian-only ${CMAKE_BINARY_DIR})
  set_tests_properties(packaging.lintian PROPERTIES TIMEOUT 900 RUN_SERIAL ON)
endif()
if(TARGET orbisk)
  # No display at all: answering must not need one.
  foreach(option --version --help)
    add_test(NAME packaging.orbisk${option} COMMAND orbisk ${option})
    set_tests_properties(packaging.orbisk${option} PROPERTIES
      ENVIRONMENT "DISPLAY=;WAYLAND_DISPLAY=;QT_QPA_PLATFORM=xcb" TIMEOUT 10)
  endforeach()
  set_tests_properties(packaging.orbisk--version PROPERTIES PASS_REGULAR_EXPRESSION "^orbisk 1\\.02\n$")
  set_tests_properties(packaging.orbisk--help PROPERTIES PASS_REGULAR_EXPRESSION "^Usage: orbisk \\[FILE\\]")
endif()
