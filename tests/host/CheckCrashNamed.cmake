# Runs a qvhost command on a module that crashes inside it: the command must fail and name the
# crash on standard error.
# Arguments: EMULATOR (empty natively), COMMAND (the command line, a list), EXPECTED (a regular
# expression its standard error must match).
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${EMULATOR} ${COMMAND} RESULT_VARIABLE code ERROR_VARIABLE errors
                OUTPUT_QUIET)
if(code EQUAL 0 OR NOT errors MATCHES "${EXPECTED}")
    message(FATAL_ERROR "exit '${code}', expected a failure naming '${EXPECTED}':\n${errors}")
endif()
