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
  # tests/sanitize builds again, instrumented, those its tests need
  set_property(GLOBAL APPEND PROPERTY MOVANE_LIBRARIES ${name})
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

# movane_folder_library(<name> [LIBS <libs>...]): the folder's static library from every
# .cpp/.c in it, so that adding a file needs no edit here.
function(movane_folder_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  if(srcs)
    movane_library(${name} ${srcs} LIBS ${ARG_LIBS})
  else()
    # a folder whose first file has not landed yet
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE movane_flags ${ARG_LIBS})
    set_property(GLOBAL APPEND PROPERTY MOVANE_LIBRARIES ${name})
  endif()
endfunction()

# movane_folder_tests(<name> [LIBS <libs>...]): one test executable from the folder's
# *_test.cpp files, and one benchmark executable from its *_bench.cpp files.
function(movane_folder_tests name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_bench.cpp)
  if(tests)
    movane_test(${name}_tests ${tests} LIBS ${ARG_LIBS})
  endif()
  if(benches)
    movane_benchmark(${name}_bench ${benches} LIBS ${ARG_LIBS})
  endif()
endfunction()
