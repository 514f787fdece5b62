# Java toolchain: javac (-source 7 -target 7, compiled against our own library, never the
# JDK's), then movane-classconv to CLDC class files, then a JAR.
#
#   movane_java_library(<target> SOURCES <files...> [COMPILE_ONLY <classes...>])
#     The class library (classes/). COMPILE_ONLY classes (slash form) are compiled so that
#     javac finds them but are neither converted nor packed; they go into a small JAR of
#     their own that sits on the boot class path of every program.
#   movane_java_jar(<target> OUTPUT <jar> SOURCES <files...> [STORED] [CLASSPATH <jars>...]
#                   [RESOURCES <folder>])
#     A program compiled against the library (and the converted JARs on CLASSPATH),
#     converted, and packed stored (STORED) or deflated, with the files below RESOURCES
#     as entries of the same names. The raw and converted classes stay
#     in <binary dir>/<target>.java/{javac,cldc}.
#
# Each build is one command whose inputs are the sources, the converter and the library,
# so an edit rebuilds what depends on it and nothing else. This file also serves as the
# script that runs the steps (cmake -P).

if(CMAKE_SCRIPT_MODE_FILE)
  # ---- build step, run by the custom commands below ----
  include(${CONFIG})
  function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      file(REMOVE ${OUTPUT})
      message(FATAL_ERROR "failed (${rc}): ${ARGN}")
    endif()
  endfunction()

  file(REMOVE_RECURSE ${WORK}/javac ${WORK}/cldc)
  file(MAKE_DIRECTORY ${WORK}/javac ${WORK}/cldc)
  # javac looks for sources on the class path too: point it at folders without any.
  if(NOT CLASSPATH)
    set(CLASSPATH ${WORK}/javac)
  endif()
  run(${JAVAC} -source 7 -target 7 -encoding UTF-8 -nowarn -Xlint:-options -g:source
      -bootclasspath ${BOOTCLASSPATH} -classpath ${CLASSPATH} -implicit:none
      -d ${WORK}/javac @${SOURCES_FILE})
  set(conv_args)
  if(LIBS)
    foreach(lib IN LISTS LIBS)
      list(APPEND conv_args -lib ${lib})
    endforeach()
  else()
    list(APPEND conv_args -nolib)
  endif()
  foreach(cls IN LISTS COMPILE_ONLY)
    list(APPEND conv_args -exclude ${cls})
  endforeach()
  run(${CONVERTER} ${conv_args} -o ${WORK}/cldc ${WORK}/javac)
  if(RESOURCES)
    file(COPY ${RESOURCES}/ DESTINATION ${WORK}/cldc)
  endif()
  # Fixed entry times make equal classes give an equal JAR, which is then left alone, so
  # that a change that does not alter the classes rebuilds nothing downstream.
  function(pack jar dir)
    set(flags --create --file ${jar}.new --date=2000-01-01T00:00:00Z)
    if(STORED)
      list(APPEND flags --no-compress)
    endif()
    file(REMOVE ${jar}.new)
    run(${JAR} ${flags} -C ${dir} ${ARGN})
    file(COPY_FILE ${jar}.new ${jar} ONLY_IF_DIFFERENT)
    file(REMOVE ${jar}.new)
  endfunction()
  pack(${OUTPUT} ${WORK}/cldc .)
  if(STUBS_JAR)
    # jar's -C holds for the one file after it
    set(stub_files)
    foreach(cls IN LISTS COMPILE_ONLY)
      list(APPEND stub_files -C ${WORK}/javac ${cls}.class)
    endforeach()
    list(REMOVE_AT stub_files 0 1)
    pack(${STUBS_JAR} ${WORK}/javac ${stub_files})
  endif()
  return()
endif()

find_package(Java 17 REQUIRED COMPONENTS Development)

# Where the library lands; the converter uses the JAR as its default library.
set(MOVANE_JAVA_LIBRARY_JAR ${CMAKE_BINARY_DIR}/classes/movane-classes.jar)
set(MOVANE_JAVA_STUBS_JAR ${CMAKE_BINARY_DIR}/classes/movane-compile-only.jar)
set(_movane_java_script ${CMAKE_CURRENT_LIST_FILE})

# Writes the step's settings (only when they change, so that reconfiguring rebuilds
# nothing) and adds the command that runs it.
function(_movane_java_step target output)
  cmake_parse_arguments(ARG "STORED" "STUBS_JAR;RESOURCES" "SOURCES;BOOTCLASSPATH;CLASSPATH;LIBS;COMPILE_ONLY;DEPENDS"
                        ${ARGN})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}.java)
  set(sources)
  set(argfile "")
  foreach(src IN LISTS ARG_SOURCES)
    get_filename_component(src ${src} ABSOLUTE)
    list(APPEND sources ${src})
    string(APPEND argfile "\"${src}\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${work}/sources.txt CONTENT "${argfile}" @ONLY)
  string(REPLACE ";" ":" bootclasspath "${ARG_BOOTCLASSPATH}")
  string(REPLACE ";" ":" classpath "${ARG_CLASSPATH}")
  set(stored 0)
  if(ARG_STORED)
    set(stored 1)
  endif()
  file(GENERATE OUTPUT ${work}/step.cmake CONTENT
"set(JAVAC \"${Java_JAVAC_EXECUTABLE}\")
set(JAR \"${Java_JAR_EXECUTABLE}\")
set(CONVERTER \"$<TARGET_FILE:movane-classconv>\")
set(WORK \"${work}\")
set(SOURCES_FILE \"${work}/sources.txt\")
set(BOOTCLASSPATH \"${bootclasspath}\")
set(CLASSPATH \"${classpath}\")
set(LIBS \"${ARG_LIBS}\")
set(COMPILE_ONLY \"${ARG_COMPILE_ONLY}\")
set(OUTPUT \"${output}\")
set(STUBS_JAR \"${ARG_STUBS_JAR}\")
set(STORED ${stored})
set(RESOURCES \"${ARG_RESOURCES}\")
")
  set(resources)
  if(ARG_RESOURCES)
    file(GLOB_RECURSE resources CONFIGURE_DEPENDS ${ARG_RESOURCES}/*)
  endif()
  set(outputs ${output})
  if(ARG_STUBS_JAR)
    list(APPEND outputs ${ARG_STUBS_JAR})
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -DCONFIG=${work}/step.cmake -P ${_movane_java_script}
    DEPENDS ${sources} ${resources} ${work}/sources.txt ${work}/step.cmake ${_movane_java_script}
            movane-classconv ${ARG_DEPENDS}
    COMMENT "Java ${target}: javac, convert, pack"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()

function(movane_java_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;COMPILE_ONLY" ${ARGN})
  # The library compiles against itself: the (possibly empty) output folder is its boot
  # class path, so no JDK class can slip in.
  _movane_java_step(${target} ${MOVANE_JAVA_LIBRARY_JAR}
    SOURCES ${ARG_SOURCES}
    BOOTCLASSPATH ${CMAKE_CURRENT_BINARY_DIR}/${target}.java/javac
    COMPILE_ONLY ${ARG_COMPILE_ONLY}
    STUBS_JAR ${MOVANE_JAVA_STUBS_JAR})
  set_property(GLOBAL PROPERTY MOVANE_JAVA_LIBRARY_TARGET ${target})
endfunction()

function(movane_java_jar target)
  cmake_parse_arguments(ARG "STORED" "OUTPUT;RESOURCES" "SOURCES;CLASSPATH" ${ARGN})
  if(NOT ARG_OUTPUT OR NOT ARG_SOURCES)
    message(FATAL_ERROR "movane_java_jar(${target}): OUTPUT and SOURCES are required")
  endif()
  get_property(library GLOBAL PROPERTY MOVANE_JAVA_LIBRARY_TARGET)
  if(NOT library)
    message(FATAL_ERROR "movane_java_jar(${target}): the class library is not defined yet")
  endif()
  set(stored)
  if(ARG_STORED)
    set(stored STORED)
  endif()
  set(resources)
  if(ARG_RESOURCES)
    get_filename_component(resources ${ARG_RESOURCES} ABSOLUTE)
    set(resources RESOURCES ${resources})
  endif()
  _movane_java_step(${target} ${ARG_OUTPUT} ${stored} ${resources}
    SOURCES ${ARG_SOURCES}
    BOOTCLASSPATH ${MOVANE_JAVA_LIBRARY_JAR} ${MOVANE_JAVA_STUBS_JAR}
    CLASSPATH ${ARG_CLASSPATH}
    LIBS ${MOVANE_JAVA_LIBRARY_JAR} ${ARG_CLASSPATH}
    DEPENDS ${MOVANE_JAVA_LIBRARY_JAR} ${ARG_CLASSPATH})
  add_dependencies(${target} ${library})
endfunction()
