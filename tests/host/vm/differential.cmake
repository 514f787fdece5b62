# Runs one program on movane-kvm and on the JDK's java and compares what both did.
#   -DKVM=<movane-kvm> -DKVM_JAR=<converted JAR> -DJAVA=<java> -DJDK_CLASSES=<folder>
#   -DMAIN=<class> [-DEXPECTED=<file>]
# Without EXPECTED both standard outputs and exit statuses must be identical. With it,
# the program shows a place where CLDC differs from Java SE on purpose: the JDK's output
# must equal the file with every line that starts with "cldc: " removed, and ours the
# file with every line that starts with "se: " removed, the marks taken off.
execute_process(COMMAND ${KVM} -classpath ${KVM_JAR} ${MAIN}
                OUTPUT_VARIABLE kvm_out ERROR_VARIABLE kvm_err RESULT_VARIABLE kvm_rc)
execute_process(COMMAND ${JAVA} -Xint -Duser.timezone=GMT -Dfile.encoding=UTF-8 -cp ${JDK_CLASSES} ${MAIN}
                OUTPUT_VARIABLE jdk_out ERROR_VARIABLE jdk_err RESULT_VARIABLE jdk_rc)
set(want_kvm "${jdk_out}")
set(want_jdk "${jdk_out}")
if(EXPECTED)
  # a line feed in front makes every line start after one
  file(READ ${EXPECTED} expected)
  string(PREPEND expected "\n")
  string(REGEX REPLACE "\ncldc: [^\n]*" "" want_jdk "${expected}")
  string(REGEX REPLACE "\nse: [^\n]*" "" want_kvm "${expected}")
  string(REGEX REPLACE "\n(cldc|se): " "\n" want_kvm "${want_kvm}")
  string(REGEX REPLACE "\n(cldc|se): " "\n" want_jdk "${want_jdk}")
  string(SUBSTRING "${want_kvm}" 1 -1 want_kvm)
  string(SUBSTRING "${want_jdk}" 1 -1 want_jdk)
endif()
set(failed "")
if(NOT "${kvm_rc}" STREQUAL "${jdk_rc}")
  string(APPEND failed "exit status: movane-kvm ${kvm_rc}, java ${jdk_rc}\n${kvm_err}\n${jdk_err}\n")
endif()
if(NOT jdk_out STREQUAL want_jdk)
  string(APPEND failed "java's output is not the expected one\n--- expected\n${want_jdk}--- java\n${jdk_out}---\n")
endif()
if(NOT kvm_out STREQUAL want_kvm)
  string(APPEND failed "outputs differ\n--- expected (java)\n${want_kvm}--- movane-kvm\n${kvm_out}---\n${kvm_err}\n")
endif()
if(failed)
  message(FATAL_ERROR "${MAIN}:\n${failed}")
endif()
