# Every benchmark runs once at a tiny size, so that a benchmark that no longer
# runs fails here rather than on the day of a measurement. Their figures mean
# nothing at this size; only a run that fails or aborts fails the test.
if(ORBISK_BENCH AND NOT ORBISK_SANITIZE)
  set(BENCH_SMOKE_DIR ${CMAKE_BINARY_DIR}/bench-smoke)
  set(BENCH_SMOKE_ENV
    "ORBISK_BENCH_DIR=${BENCH_SMOKE_DIR}" "XDG_CACHE_HOME=${BENCH_SMOKE_DIR}/cache"
    "QT_QPA_PLATFORM=offscreen" "LC_ALL=C.UTF-8")
  file(GLOB smoke_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  if(ORBISK_GUI)
    file(GLOB smoke_ui_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/ui/*.cpp)
  endif()
  foreach(src ${smoke_sources} ${smoke_ui_sources})
    get_filename_component(name ${src} NAME_WE)
    if(src MATCHES "/bench/ui/")
      set(name ui_${name})
    endif()
    set(args --companies 200 --runs 1)
    if(name STREQUAL "html_page_memory")
      list(APPEND args --megabytes 2)
    endif()
    add_test(NAME bench.${name} COMMAND ${CMAKE_BINARY_DIR}/bench/bench_${name} ${args})
    set_tests_properties(bench.${name} PROPERTIES LABELS bench TIMEOUT 180 ENVIRONMENT "${BENCH_SMOKE_ENV}")
  endforeach()
endif()
