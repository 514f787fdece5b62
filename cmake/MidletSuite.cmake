# MIDlet suites for tests and demos, and their headless runs through Movane_VM.
#
#   movane_midlet_suite(<target> NAME <suite name> SOURCES <java files...>
#                       MIDLETS <"Name, icon, class">... [ATTRIBUTES <"Key: value">...]
#                       [RESOURCES <folder>])
#     Compiles and converts the sources (movane_java_jar), packs the classes and the
#     files below RESOURCES with a manifest into <binary dir>/<target>.jar and writes
#     <target>.jad beside it, with "MIDlet-Jar-Size" taken from the JAR. Vendor
#     "Movane", version 1.0, CLDC-1.1 and MIDP-2.0 unless ATTRIBUTES name them.
#
#   movane_midlet_test(<name> SUITE <target> [SCRIPT <input file>] [OUTPUT <expected
#                      standard output>] [FRAMES <reference PNG>...] [EXIT <status>]
#                      [ERROR <regex>] [ARGS <more arguments>...] [CHANGES <"first.png>later.png">...] [DRD])
#     The test midlet.<name>: "Movane_VM -launch" of the suite (then ARGS, such as a
#     MIDlet number) on SDL's dummy driver,
#     with its own device folder, registry and runtime folder in
#     <binary dir>/midlet.<name>/, the script as MOVANE_INPUT and that folder's frames/ as
#     MOVANE_FRAMES. Passes when the exit status (default 0) and standard output are as
#     expected, standard error matches ERROR (when given), and each reference equals the
#     frame of the same name pixel for pixel;
#     a frame that differs stays in frames/ and the failure names it. Each CHANGES entry
#     "first.png>later.png[,later.png...]" names frames of the run of which at least one
#     later one must differ from the first (something moved on its own, which a reference
#     cannot pin to a pixel; several later frames for what moves in a cycle). DRD makes it
#     drd.midlet.<name>, the run under Valgrind's race detector (leave out FRAMES then:
#     the run is too slow for the script's times).
#
# The second half of this file is the script the build and the tests run (cmake -P).

if(CMAKE_SCRIPT_MODE_FILE)
  if(STEP STREQUAL "pack")
    include(${CONFIG})
    file(REMOVE_RECURSE ${WORK})
    file(MAKE_DIRECTORY ${WORK})
    set(manifest "Manifest-Version: 1.0\n")
    foreach(line IN LISTS ATTRIBUTES)
      string(APPEND manifest "${line}\n")
    endforeach()
    file(WRITE ${WORK}/MANIFEST.MF "${manifest}")
    execute_process(COMMAND ${JAR} --create --file ${WORK}/suite.jar --manifest ${WORK}/MANIFEST.MF
                            --date=2000-01-01T00:00:00Z -C ${CLASSES} .
                    RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "jar failed (${rc}) for ${OUTPUT_JAR}")
    endif()
    file(COPY_FILE ${WORK}/suite.jar ${OUTPUT_JAR} ONLY_IF_DIFFERENT)
    file(SIZE ${OUTPUT_JAR} size)
    get_filename_component(jar_name ${OUTPUT_JAR} NAME)
    set(jad "")
    foreach(line IN LISTS ATTRIBUTES)
      string(APPEND jad "${line}\n")
    endforeach()
    string(APPEND jad "MIDlet-Jar-URL: ${jar_name}\nMIDlet-Jar-Size: ${size}\n")
    file(WRITE ${WORK}/suite.jad "${jad}")
    file(COPY_FILE ${WORK}/suite.jad ${OUTPUT_JAD} ONLY_IF_DIFFERENT)
    return()
  endif()

  # ---- STEP run: one headless run of a suite ----
  file(REMOVE_RECURSE ${WORK})
  file(MAKE_DIRECTORY ${WORK}/device ${WORK}/frames ${WORK}/run)
  set(ENV{SDL_VIDEODRIVER} dummy)
  set(ENV{SDL_AUDIODRIVER} dummy)
  if(LSAN_SUPPRESSIONS)
    set(ENV{LSAN_OPTIONS} suppressions=${LSAN_SUPPRESSIONS})
  endif()
  set(ENV{MOVANE_DEVICE_ROOT} ${WORK}/device)
  set(ENV{MOVANE_REGISTRY} ${WORK}/registry)
  set(ENV{MOVANE_RUNTIME_DIR} ${WORK}/run)
  set(ENV{MOVANE_FRAMES} ${WORK}/frames)
  if(SCRIPT)
    set(ENV{MOVANE_INPUT} ${SCRIPT})
  else()
    unset(ENV{MOVANE_INPUT})
  endif()
  string(REPLACE "|" ";" wrap "${WRAP}")
  string(REPLACE "|" ";" more "${MORE}")
  execute_process(COMMAND ${wrap} ${VM} -launch ${JAD} ${JAR} ${more} OUTPUT_VARIABLE out ERROR_VARIABLE err
                  RESULT_VARIABLE rc TIMEOUT 500)
  set(failed "")
  if(NOT EXIT)
    set(EXIT 0)
  endif()
  if(NOT "${rc}" STREQUAL "${EXIT}")
    string(APPEND failed "exit status ${rc}, expected ${EXIT}\n--- standard error\n${err}---\n")
  endif()
  if(DEFINED ERROR_MATCH AND NOT err MATCHES "${ERROR_MATCH}")
    string(APPEND failed "standard error does not match \"${ERROR_MATCH}\"\n--- got\n${err}---\n")
  endif()
  # the host's own trace line on standard output (the direct display's set-up, Part
  # 10.107) is not the MIDlet's output
  string(REGEX REPLACE "(^|\n)OS ver= [0-9]+\\.[0-9]+\n" "\\1" out "${out}")
  if(EXPECTED)
    file(READ ${EXPECTED} want)
    if(NOT out STREQUAL want)
      string(APPEND failed "standard output differs\n--- expected\n${want}--- got\n${out}---\n")
    endif()
  endif()
  string(REPLACE "|" ";" frames "${FRAMES}")
  foreach(reference IN LISTS frames)
    get_filename_component(name ${reference} NAME)
    set(actual ${WORK}/frames/${name})
    execute_process(COMMAND ${COMPARE} ${reference} ${actual} OUTPUT_VARIABLE why ERROR_VARIABLE why
                    RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
      string(APPEND failed "frame ${name} differs from ${reference}: ${why}the frame presented is ${actual}\n")
    endif()
  endforeach()
  string(REPLACE "|" ";" changes "${CHANGES}")
  foreach(pair IN LISTS changes)
    string(REPLACE ">" ";" pair "${pair}")
    list(GET pair 0 first)
    list(GET pair 1 laters)
    string(REPLACE "," ";" laters "${laters}")
    set(moved FALSE)
    foreach(later IN LISTS laters)
      if(NOT EXISTS ${WORK}/frames/${first} OR NOT EXISTS ${WORK}/frames/${later})
        string(APPEND failed "frames ${first} and ${later} were not both presented\n")
        set(moved TRUE)
      else()
        execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/frames/${first} ${WORK}/frames/${later}
                        RESULT_VARIABLE differ OUTPUT_QUIET ERROR_QUIET)
        if(NOT differ EQUAL 0)
          set(moved TRUE)
        endif()
      endif()
    endforeach()
    if(NOT moved)
      string(APPEND failed "frames ${laters} are the same as ${first}: nothing moved\n")
    endif()
  endforeach()
  if(failed)
    # echoed, not in the message, so that the lines stay whole for a reader and a match
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "Movane_VM -launch ${JAD}:\n${failed}")
    message(FATAL_ERROR "the MIDlet run is not as expected")
  endif()
  return()
endif()

set(_movane_midlet_script ${CMAKE_CURRENT_LIST_FILE})

function(movane_midlet_suite target)
  cmake_parse_arguments(ARG "" "NAME;RESOURCES" "SOURCES;MIDLETS;ATTRIBUTES" ${ARGN})
  if(NOT ARG_NAME OR NOT ARG_SOURCES OR NOT ARG_MIDLETS)
    message(FATAL_ERROR "movane_midlet_suite(${target}): NAME, SOURCES and MIDLETS are required")
  endif()
  set(attributes "MIDlet-Name: ${ARG_NAME}")
  set(given "")
  foreach(line IN LISTS ARG_ATTRIBUTES)
    string(REGEX REPLACE ":.*" "" key "${line}")
    list(APPEND given ${key})
    list(APPEND attributes "${line}")
  endforeach()
  foreach(pair "MIDlet-Vendor: Movane" "MIDlet-Version: 1.0" "MicroEdition-Configuration: CLDC-1.1"
               "MicroEdition-Profile: MIDP-2.0")
    string(REGEX REPLACE ":.*" "" key "${pair}")
    if(NOT key IN_LIST given)
      list(APPEND attributes "${pair}")
    endif()
  endforeach()
  set(n 1)
  foreach(midlet IN LISTS ARG_MIDLETS)
    list(APPEND attributes "MIDlet-${n}: ${midlet}")
    math(EXPR n "${n} + 1")
  endforeach()
  set(classes_target ${target}_classes)
  set(resources)
  if(ARG_RESOURCES)
    set(resources RESOURCES ${ARG_RESOURCES})
  endif()
  movane_java_jar(${classes_target} OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}-classes.jar SOURCES ${ARG_SOURCES}
    ${resources})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}.suite)
  set(jar ${CMAKE_CURRENT_BINARY_DIR}/${target}.jar)
  set(jad ${CMAKE_CURRENT_BINARY_DIR}/${target}.jad)
  # the attributes hold commas and colons: they go to the step through a file
  set(config "set(ATTRIBUTES \"\")\n")
  foreach(line IN LISTS attributes)
    string(REPLACE "\"" "\\\"" line "${line}")
    string(APPEND config "list(APPEND ATTRIBUTES \"${line}\")\n")
  endforeach()
  string(APPEND config "set(JAR \"${Java_JAR_EXECUTABLE}\")\nset(WORK \"${work}/pack\")\n"
         "set(CLASSES \"${CMAKE_CURRENT_BINARY_DIR}/${classes_target}.java/cldc\")\n"
         "set(OUTPUT_JAR \"${jar}\")\nset(OUTPUT_JAD \"${jad}\")\n")
  file(CONFIGURE OUTPUT ${work}/suite.cmake CONTENT "${config}" @ONLY)
  add_custom_command(OUTPUT ${jar} ${jad}
    COMMAND ${CMAKE_COMMAND} -DSTEP=pack -DCONFIG=${work}/suite.cmake -P ${_movane_midlet_script}
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${target}-classes.jar ${work}/suite.cmake ${_movane_midlet_script}
    COMMENT "MIDlet suite ${target}: manifest, JAR and JAD"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${jar} ${jad})
  add_dependencies(${target} ${classes_target})
  set_target_properties(${target} PROPERTIES MOVANE_JAR ${jar} MOVANE_JAD ${jad})
endfunction()

function(movane_midlet_test name)
  cmake_parse_arguments(ARG "DRD" "SUITE;SCRIPT;OUTPUT;EXIT;ERROR" "FRAMES;CHANGES;ARGS" ${ARGN})
  if(NOT ARG_SUITE)
    message(FATAL_ERROR "movane_midlet_test(${name}): SUITE is required")
  endif()
  get_target_property(jar ${ARG_SUITE} MOVANE_JAR)
  get_target_property(jad ${ARG_SUITE} MOVANE_JAD)
  set(args "")
  if(ARG_SCRIPT)
    get_filename_component(script ${ARG_SCRIPT} ABSOLUTE)
    list(APPEND args -DSCRIPT=${script})
  endif()
  if(ARG_OUTPUT)
    get_filename_component(expected ${ARG_OUTPUT} ABSOLUTE)
    list(APPEND args -DEXPECTED=${expected})
  endif()
  if(DEFINED ARG_EXIT)
    list(APPEND args -DEXIT=${ARG_EXIT})
  endif()
  if(DEFINED ARG_ERROR)
    list(APPEND args "-DERROR_MATCH=${ARG_ERROR}")
  endif()
  set(frames "")
  foreach(frame IN LISTS ARG_FRAMES)
    get_filename_component(frame ${frame} ABSOLUTE)
    list(APPEND frames ${frame})
  endforeach()
  string(REPLACE ";" "|" frames "${frames}")
  if(MOVANE_SANITIZE)
    list(APPEND args -DLSAN_SUPPRESSIONS=${PROJECT_SOURCE_DIR}/tests/sanitize/sdl_lsan.supp)
  endif()
  if(ARG_ARGS)
    string(REPLACE ";" "|" more "${ARG_ARGS}")
    list(APPEND args "-DMORE=${more}")
  endif()
  if(ARG_CHANGES)
    string(REPLACE ";" "|" changes "${ARG_CHANGES}")
    list(APPEND args "-DCHANGES=${changes}")
  endif()
  set(test midlet.${name})
  if(ARG_DRD)
    find_program(VALGRIND valgrind)
    if(NOT VALGRIND)
      return()
    endif()
    set(test drd.midlet.${name})
    list(APPEND args "-DWRAP=${VALGRIND}|--tool=drd|--error-exitcode=9")
  endif()
  add_test(NAME ${test}
    COMMAND ${CMAKE_COMMAND} -DSTEP=run -DVM=$<TARGET_FILE:Movane_VM> -DCOMPARE=$<TARGET_FILE:movane-framecmp>
            -DJAD=${jad} -DJAR=${jar} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${test} "-DFRAMES=${frames}" ${args}
            -P ${_movane_midlet_script})
  set_tests_properties(${test} PROPERTIES TIMEOUT 600)
endfunction()
