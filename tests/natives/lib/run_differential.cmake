# Runs a Java program on movane-kvm and on the JDK and compares standard output and exit
# status: -DKVM=<movane-kvm> -DJAR=<converted JAR> -DJAVA=<java> -DJDK_CLASSES=<folder>
# -DMAIN=<class>
execute_process(COMMAND ${KVM} -classpath ${JAR} ${MAIN} OUTPUT_VARIABLE ours RESULT_VARIABLE ours_rc)
execute_process(COMMAND ${JAVA} -cp ${JDK_CLASSES} ${MAIN} OUTPUT_VARIABLE theirs RESULT_VARIABLE theirs_rc)
if(NOT ours_rc STREQUAL theirs_rc OR NOT ours STREQUAL theirs)
  message(FATAL_ERROR "${MAIN}: movane-kvm (exit ${ours_rc}) and the JDK (exit ${theirs_rc}) differ\n"
                      "--- movane-kvm\n${ours}--- JDK\n${theirs}---")
endif()
if(ours STREQUAL "")
  message(FATAL_ERROR "${MAIN} printed nothing")
endif()
