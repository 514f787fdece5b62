# Runs MathUlp on movane-kvm and checks its results against StrictMath on the JDK.
#   -DKVM=<movane-kvm> -DJAR=<test programs> -DJAVA=<java> -DCHECK=<MathUlpCheck.java> -DWORK=<folder>
execute_process(COMMAND ${KVM} -classpath ${JAR} MathUlp OUTPUT_FILE ${WORK}/math-ulp.txt RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "MathUlp exited ${rc}")
endif()
execute_process(COMMAND ${JAVA} ${CHECK} ${WORK}/math-ulp.txt RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "results beyond one ulp of StrictMath")
endif()
