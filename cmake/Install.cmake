# Installation: the program folder (program, command line, importer,
# Database/, Help/, map.jpg) under <prefix>/lib/orbisk, links on the PATH in
# <prefix>/bin, and a desktop entry with its icon. The programs find their
# files (and the importer) through the link.
include(GNUInstallDirs)
set(ORBISK_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/orbisk)

set(installed_programs)
foreach(t orbisk orbisk-cli)
  if(TARGET ${t})
    install(TARGETS ${t} RUNTIME DESTINATION ${ORBISK_INSTALL_DIR})
    list(APPEND installed_programs ${t})
  endif()
endforeach()
# The importer is started by the programs, not by people: no link on the PATH.
install(TARGETS orbisk-import RUNTIME DESTINATION ${ORBISK_INSTALL_DIR})
install(DIRECTORY ${ORBISK_PROGRAM_DIR}/Database ${ORBISK_PROGRAM_DIR}/Help
        DESTINATION ${ORBISK_INSTALL_DIR} OPTIONAL)
install(FILES ${ORBISK_PROGRAM_DIR}/map.jpg ${ORBISK_PROGRAM_DIR}/map@2x.jpg ${ORBISK_PROGRAM_DIR}/map_regions.png ${ORBISK_PROGRAM_DIR}/map_regions.txt
        DESTINATION ${ORBISK_INSTALL_DIR} OPTIONAL)

# Relative links, so the same tree works under any prefix and inside the package.
foreach(t ${installed_programs})
  set(link ${CMAKE_BINARY_DIR}/links/${t})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/links)
  file(RELATIVE_PATH rel /${CMAKE_INSTALL_BINDIR} /${ORBISK_INSTALL_DIR}/${t})
  file(CREATE_LINK ${rel} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/orbisk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
if(EXISTS ${CMAKE_SOURCE_DIR}/assets/images/orbisk.png)
  install(FILES ${CMAKE_SOURCE_DIR}/assets/images/orbisk.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()

# What the desktop expects of an application: its AppStream entry, a MIME type
# for Access 2007 and later files, man pages and shell completion.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/ca.orbisk.orbisk.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/orbisk-accdb.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/orbisk-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME orbisk-cli)
set(man_pages)
foreach(t ${installed_programs})
  set(page ${CMAKE_SOURCE_DIR}/packaging/man/${t}.1)
  if(EXISTS ${page})
    set(gz ${CMAKE_BINARY_DIR}/man/${t}.1.gz)
    add_custom_command(OUTPUT ${gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND gzip -9nc ${page} > ${gz}
      DEPENDS ${page} VERBATIM)
    list(APPEND man_pages ${gz})
  endif()
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# A Debian package: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orbisk)
set(CPACK_PACKAGE_VENDOR "Orbisk")
set(CPACK_PACKAGE_CONTACT "Orbisk support <support@orbisk.ca>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Search a business directory of Canadian companies and export result lists")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Library dependencies are read off the binaries; what they load at run time is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core, fonts-wqy-microhei, xdg-utils")
include(CPack)
