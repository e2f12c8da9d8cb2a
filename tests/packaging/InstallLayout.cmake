# Installs the build into an empty tree under /usr and checks where every file lands.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${WORK} ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
set(U ${WORK}/usr)
foreach(f bin/orbisk bin/orbisk-cli lib/orbisk/orbisk lib/orbisk/orbisk-cli lib/orbisk/map.jpg lib/orbisk/map@2x.jpg
          lib/orbisk/map_regions.png lib/orbisk/map_regions.txt
          share/applications/orbisk.desktop share/metainfo/ca.orbisk.orbisk.metainfo.xml
          share/mime/packages/orbisk-accdb.xml share/bash-completion/completions/orbisk-cli
          share/man/man1/orbisk.1.gz share/man/man1/orbisk-cli.1.gz share/icons/hicolor/256x256/apps/orbisk.png)
  if(NOT EXISTS ${U}/${f})
    message(FATAL_ERROR "not installed: /usr/${f}")
  endif()
endforeach()
# The links on the PATH reach the programs in their folder.
file(READ_SYMLINK ${U}/bin/orbisk target)
if(NOT target STREQUAL "../lib/orbisk/orbisk")
  message(FATAL_ERROR "bin/orbisk points at ${target}")
endif()
# The man pages are compressed troff that names its program.
execute_process(COMMAND gzip -dc ${U}/share/man/man1/orbisk-cli.1.gz OUTPUT_VARIABLE page)
if(NOT page MATCHES "^\\.TH ORBISK\\\\-CLI 1")
  message(FATAL_ERROR "orbisk-cli.1.gz is not the orbisk-cli page")
endif()
file(REMOVE_RECURSE ${WORK})
message(STATUS "install layout as expected")
