# The library's FloatingDecimal, copied into package fdcheck, against the JDK on the host
# JVM: there is no VM to run it on yet, and the JDK is the reference anyway.
file(READ ${SOURCE} text)
string(REPLACE "package java.lang;" "package fdcheck;" text "${text}")
file(MAKE_DIRECTORY ${WORK}/src/fdcheck)
file(WRITE ${WORK}/src/fdcheck/FloatingDecimal.java "${text}")
execute_process(COMMAND ${JAVAC} -nowarn -d ${WORK}/out ${WORK}/src/fdcheck/FloatingDecimal.java
                        ${HARNESS} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "javac failed")
endif()
execute_process(COMMAND ${JAVA} -cp ${WORK}/out fdcheck.Harness 20000 20261210 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "conversions differ from the JDK")
endif()
