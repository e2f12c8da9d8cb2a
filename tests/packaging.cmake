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
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/packaging/InstallLayout.cmake)
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
