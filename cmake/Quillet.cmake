# Helpers shared by every folder's CMakeLists.txt.

# quillet_library(NAME SOURCES ... [DEPS ...])
# A static library for one folder; its headers are included as "platform/base/Strings.h".
function(quillet_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# quillet_test(NAME SOURCES ... [DEPS ...] [X11])
# One GoogleTest executable, registered with CTest as one test. X11 tests need a display;
# scripts/test provides one through xvfb-run when there is none.
function(quillet_test name)
  cmake_parse_arguments(ARG "X11" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QUILLET_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set(env "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  if(ARG_X11)
    set_tests_properties(${name} PROPERTIES LABELS x11 ENVIRONMENT "${env};QUILLET_BACKEND=x11")
  else()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env};QUILLET_BACKEND=headless")
  endif()
endfunction()

# quillet_bench(NAME SOURCES ... [DEPS ...])
function(quillet_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  target_compile_definitions(${name} PRIVATE QUILLET_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set_property(GLOBAL APPEND PROPERTY QUILLET_BENCHMARKS ${name})
endfunction()
