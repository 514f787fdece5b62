# Runs a program that prints and then waits, kills it after a few seconds, and checks
# what it printed before.
#   -DKVM=<movane-kvm> -DJAR=<test programs>
execute_process(COMMAND ${KVM} -classpath ${JAR} PrintThenWait TIMEOUT 3
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT out STREQUAL "a line\nflushed" OR NOT err STREQUAL "error text")
  message(FATAL_ERROR "killed run (${rc}) printed\n--- standard output\n${out}\n--- standard error\n${err}\n---")
endif()
