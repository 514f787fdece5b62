# cmake -DINPUT=<jar> -DWITHOUT=<entry> -DWORK=<folder> -DOUTPUT=<jar> -P jar_without.cmake
# Writes OUTPUT: the entries of INPUT but WITHOUT.
file(REMOVE_RECURSE ${WORK})
file(ARCHIVE_EXTRACT INPUT ${INPUT} DESTINATION ${WORK})
if(NOT EXISTS ${WORK}/${WITHOUT})
  message(FATAL_ERROR "${INPUT} has no ${WITHOUT}")
endif()
file(REMOVE ${WORK}/${WITHOUT})
file(GLOB_RECURSE entries RELATIVE ${WORK} ${WORK}/*)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUTPUT} --format=zip ${entries}
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot write ${OUTPUT}")
endif()
