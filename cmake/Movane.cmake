# Compile flags and small helpers shared by every folder.

# Position-dependent code and programs, in every build: code, the class image and
# globals load at a fixed address below 2 GB, so that their addresses (and function
# pointers into the program) fit the 32-bit words of the VM's records.
add_compile_options(-fno-pie)
add_link_options(-no-pie)

# -DMOVANE_SANITIZE=address builds everything, programs and build-time tools included,
# under AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of its own.
# -O1 and line tables only: instrumented code then compiles in about a third of the
# time -O2 -g takes, and a report still names the file and line. Signed overflow is not
# checked: the VM is built with -fwrapv.
set(MOVANE_SANITIZE "" CACHE STRING "Sanitizers of the whole build: empty or \"address\"")
set_property(CACHE MOVANE_SANITIZE PROPERTY STRINGS "" address)
if(MOVANE_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
                      -O1 -g1)
  add_link_options(-fsanitize=address,undefined)
  # instrumented tests run a few times slower than plain ones
  set(MOVANE_TEST_TIMEOUT_FACTOR 3)
  # Valgrind cannot run instrumented programs: an empty VALGRIND keeps every folder's
  # find_program(VALGRIND valgrind) from finding it, and so its race-detector tests away
  set(VALGRIND "")
  # SDL's display libraries, loaded and unloaded at run time, leave allocations the leak
  # checker can only name "<unknown module>": tests that open a real or off-screen
  # display take this environment and are checked for memory errors and undefined
  # behaviour but not for leaks. The window system's own leaks are checked by the
  # platform tests; the one that opens a display leaves leak checking off around it.
  set(MOVANE_DISPLAY_TEST_ENVIRONMENT ASAN_OPTIONS=detect_leaks=0)
elseif(MOVANE_SANITIZE)
  message(FATAL_ERROR "MOVANE_SANITIZE takes \"address\" or nothing, not \"${MOVANE_SANITIZE}\"")
else()
  set(MOVANE_TEST_TIMEOUT_FACTOR 1)
  set(MOVANE_DISPLAY_TEST_ENVIRONMENT "")
  find_program(VALGRIND valgrind)
endif()

# movane_sanitize_executables(<folder>): with the sanitizers on, every executable below
# <folder> gets the sanitizers' defaults, so that a program run by hand behaves as one
# under CTest. Called once all folders are read.
function(movane_sanitize_executables dir)
  if(NOT MOVANE_SANITIZE)
    return()
  endif()
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/sanitizer_options.cpp)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    movane_sanitize_executables(${subdir})
  endforeach()
endfunction()

# Flags of all VM and native code: the heap is reinterpreted freely, Java integer
# arithmetic wraps. x86-64 computes in SSE2 anyway (no x87 double rounding).
add_library(movane_flags INTERFACE)
target_compile_options(movane_flags INTERFACE
  -fno-strict-aliasing -fwrapv
  -Wall -Wextra -Wshadow -Wmissing-declarations -Wundef -Wno-unused-parameter)
# Continuous integration (CI=true in the environment at the first configure) fails on any
# warning. The choice is cached: a later re-run of CMake (a new source file) keeps it.
if("$ENV{CI}" STREQUAL "true")
  set(movane_werror_default ON)
else()
  set(movane_werror_default OFF)
endif()
option(MOVANE_WERROR "Fail the build on any compiler warning" ${movane_werror_default})
if(MOVANE_WERROR)
  target_compile_options(movane_flags INTERFACE -Werror)
endif()
target_include_directories(movane_flags INTERFACE ${PROJECT_SOURCE_DIR})

# The VM core's invariant checks (VM_ASSERT): on unless this is a release build.
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  set(movane_vm_asserts_default OFF)
else()
  set(movane_vm_asserts_default ON)
endif()
option(MOVANE_VM_ASSERTS "Check the VM core's invariants (VM_ASSERT)" ${movane_vm_asserts_default})
if(MOVANE_VM_ASSERTS)
  target_compile_definitions(movane_flags INTERFACE MOVANE_VM_ASSERTS=1)
endif()

# movane_library(<name> <sources>... [LIBS <libs>...])
function(movane_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PUBLIC movane_flags ${ARG_LIBS})
endfunction()

# movane_test(<name> <sources>... [LIBS <libs>...]): one GoogleTest executable whose
# cases CTest lists one by one, each with the folder's MOVANE_TEST_ENVIRONMENT if it sets one.
function(movane_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE movane_flags ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  math(EXPR timeout "120 * ${MOVANE_TEST_TIMEOUT_FACTOR}")
  set(environment)
  if(MOVANE_TEST_ENVIRONMENT)
    set(environment ENVIRONMENT "${MOVANE_TEST_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${timeout} ${environment})
endfunction()

# movane_benchmark(<name> <sources>... [LIBS <libs>...]): built with the tests, run by hand;
# not in the instrumented build, whose timings mean nothing.
function(movane_benchmark name)
  if(NOT TARGET benchmark::benchmark OR MOVANE_SANITIZE)
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
