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
          share/man/man1/orbisk.1.gz share/man/man1/orbisk-cli.1.gz
          share/icons/hicolor/scalable/apps/orbisk.svg
          share/doc/orbisk/copyright share/doc/orbisk/changelog.gz)
  if(NOT EXISTS ${U}/${f})
    message(FATAL_ERROR "not installed: /usr/${f}")
  endif()
endforeach()
# The icon at every size of the theme, each picture as large as its folder says.
foreach(size 16 32 48 64 128 256)
  set(icon ${U}/share/icons/hicolor/${size}x${size}/apps/orbisk.png)
  if(NOT EXISTS ${icon})
    message(FATAL_ERROR "not installed: the ${size} px icon")
  endif()
  file(READ ${icon} head HEX LIMIT 24)
  string(SUBSTRING "${head}" 0 16 signature)
  string(SUBSTRING "${head}" 32 8 width_hex)
  string(SUBSTRING "${head}" 40 8 height_hex)
  math(EXPR width "0x${width_hex}")
  math(EXPR height "0x${height_hex}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(FATAL_ERROR "${size}x${size}/apps/orbisk.png is not a ${size} px PNG (${width} x ${height})")
  endif()
endforeach()
file(READ ${U}/share/icons/hicolor/scalable/apps/orbisk.svg svg LIMIT 200)
if(NOT svg MATCHES "^<svg ")
  message(FATAL_ERROR "the scalable icon is not an SVG drawing")
endif()
# The changelog: gzip without a time stamp (so the package builds the same
# twice), its latest entry the package's version.
file(READ ${U}/share/doc/orbisk/changelog.gz gz HEX LIMIT 8)
if(NOT gz MATCHES "^1f8b08..00000000$")
  message(FATAL_ERROR "changelog.gz is not gzip without a time stamp: ${gz}")
endif()
execute_process(COMMAND gzip -dc ${U}/share/doc/orbisk/changelog.gz OUTPUT_VARIABLE changelog)
if(NOT changelog MATCHES "^orbisk \\(${VERSION}\\) ")
  message(FATAL_ERROR "the changelog does not start with version ${VERSION}")
endif()
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
