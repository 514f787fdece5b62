# Library classes that need no natives for the paths under test, copied into PACKAGE (where
# they shadow the JDK's java.lang classes of the same name), run by a harness on the host
# JVM against the JDK's own classes. There is no VM to run them on yet, and the JDK is the
# reference anyway.
string(REPLACE "," ";" CLASSES "${CLASSES}")
string(REPLACE "," ";" ARGS "${ARGS}")
set(sources ${HARNESS})
foreach(cls IN LISTS CLASSES)
  file(READ ${LIBRARY}/java/lang/${cls}.java text)
  string(REPLACE "package java.lang;" "package ${PACKAGE};" text "${text}")
  file(WRITE ${WORK}/src/${PACKAGE}/${cls}.java "${text}")
  list(APPEND sources ${WORK}/src/${PACKAGE}/${cls}.java)
endforeach()
file(REMOVE_RECURSE ${WORK}/out)
execute_process(COMMAND ${JAVAC} -nowarn -Xlint:none -d ${WORK}/out ${sources} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "javac failed")
endif()
execute_process(COMMAND ${JAVA} -cp ${WORK}/out ${PACKAGE}.${MAIN} ${ARGS} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the library classes differ from the JDK")
endif()
