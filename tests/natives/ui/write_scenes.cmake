# Writes every scene of SceneTest as <OUT>/<name>.png; with -DUPDATE=1 also copies them
# over the reference pictures. Included by the generated scenes.cmake, which sets KVM,
# JAR, OUT, REFERENCES and SOURCE.
file(READ ${SOURCE} text)
string(REGEX MATCH "NAMES = {([^}]*)}" names "${text}")
string(REGEX MATCHALL "\"[a-z_]+\"" names "${CMAKE_MATCH_1}")
file(MAKE_DIRECTORY ${OUT} ${REFERENCES})
foreach(quoted IN LISTS names)
  string(REPLACE "\"" "" name ${quoted})
  execute_process(COMMAND ${KVM} -classpath ${JAR} SceneTest ${name} OUTPUT_FILE ${OUT}/${name}.png RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "scene ${name}: movane-kvm exited with ${rc}")
  endif()
  if(UPDATE)
    file(COPY_FILE ${OUT}/${name}.png ${REFERENCES}/${name}.png)
  endif()
  message(STATUS "${OUT}/${name}.png")
endforeach()
