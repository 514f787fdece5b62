# Compile flags and small helpers shared by every folder.

# Flags of all VM and native code: SSE2 arithmetic (no x87 double rounding), the heap
# is reinterpreted freely, Java integer arithmetic wraps.
add_library(movane_flags INTERFACE)
target_compile_options(movane_flags INTERFACE
  -msse2 -mfpmath=sse -fno-strict-aliasing -fwrapv
  -Wall -Wextra -Wno-unused-parameter)
target_include_directories(movane_flags INTERFACE ${PROJECT_SOURCE_DIR})

# movane_library(<name> <sources>... [LIBS <libs>...])
function(movane_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PUBLIC movane_flags ${ARG_LIBS})
endfunction()

# movane_test(<name> <sources>... [LIBS <libs>...]): one GoogleTest executable whose
# cases CTest lists one by one.
function(movane_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE movane_flags ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# movane_benchmark(<name> <sources>... [LIBS <libs>...]): built with the tests, run by hand.
function(movane_benchmark name)
  if(NOT TARGET benchmark::benchmark)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE movane_flags ${ARG_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endfunction()
