# Run with -DSOURCE_DIR=... -DVERSION=... -DHEADER=...: fails when a program
# source writes the version itself instead of taking ORBISK_VERSION from the
# generated header, or when a shipped text names another version.
set(problems "")

file(READ "${HEADER}" header)
if(NOT header MATCHES "#define ORBISK_VERSION \"${VERSION}\"")
  string(APPEND problems "\n  ${HEADER} does not define ORBISK_VERSION as \"${VERSION}\"")
endif()

# A string literal holding the version number ("Orbisk 1.02", "v1.02").
string(REPLACE "." "\\." version_regex "${VERSION}")
set(folders app about browse cli data export import search strutil ui)
foreach(folder ${folders})
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
  foreach(source ${sources})
    file(STRINGS "${source}" hits REGEX "\"[^\"]*[^0-9.]${version_regex}([^0-9][^\"]*)?\"")
    foreach(hit ${hits})
      string(STRIP "${hit}" hit)
      string(APPEND problems "\n  ${source}: ${hit}")
    endforeach()
  endforeach()
endforeach()

# Texts the build does not generate: they must name the project's version.
set(shipped
  "packaging/man/orbisk.1|\"Orbisk ${VERSION}\""
  "packaging/man/orbisk-cli.1|\"Orbisk ${VERSION}\""
  "packaging/ca.orbisk.orbisk.metainfo.xml|<release version=\"${VERSION}\""
  "assets/Help/orbisk_help.htm|Help for version ${VERSION} ")
foreach(entry ${shipped})
  string(FIND "${entry}" "|" bar)
  string(SUBSTRING "${entry}" 0 ${bar} path)
  math(EXPR after "${bar} + 1")
  string(SUBSTRING "${entry}" ${after} -1 expected)
  if(NOT EXISTS "${SOURCE_DIR}/${path}")
    continue()
  endif()
  file(READ "${SOURCE_DIR}/${path}" text)
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    string(APPEND problems "\n  ${path} does not name version ${VERSION} (looked for ${expected})")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "The version is written outside the project's one place:${problems}")
endif()
message(STATUS "version ${VERSION}: one place")
