# Runs a qvhost command on a module that crashes or hangs inside it, writing a file over an earlier
# one: the command must fail and name the crash on standard error, keep what it printed before the
# crash on standard output, and leave the earlier file as it was with nothing beside it.
# Arguments: EMULATOR (empty natively), COMMAND (the command line, a list), OUTPUT (the option
# naming the file written, --csv unless given), EXPECTED (a regular expression its standard error
# must match), PRINTED (one its standard output must match, natively; empty for any), SCRATCH (a
# folder of its own).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${SCRATCH})
file(WRITE ${SCRATCH}/out.csv "earlier")
if(NOT OUTPUT)
    set(OUTPUT --csv)
endif()
execute_process(COMMAND ${EMULATOR} ${COMMAND} ${OUTPUT} ${SCRATCH}/out.csv RESULT_VARIABLE code
                ERROR_VARIABLE errors OUTPUT_VARIABLE printed)
if(code EQUAL 0 OR NOT errors MATCHES "${EXPECTED}")
    message(FATAL_ERROR "exit '${code}', expected a failure naming '${EXPECTED}':\n${errors}")
endif()
if(NOT EMULATOR AND NOT printed MATCHES "${PRINTED}")
    message(FATAL_ERROR "what was printed before the crash is lost: '${printed}'")
endif()
# A sanitizer that reports ends the process itself, before the host's crash handler can tidy up.
file(GLOB left RELATIVE ${SCRATCH} ${SCRATCH}/*)
file(READ ${SCRATCH}/out.csv kept)
if(NOT kept STREQUAL "earlier" OR
   (NOT left STREQUAL "out.csv" AND NOT errors MATCHES "runtime error: |Sanitizer"))
    message(FATAL_ERROR "after the crash the folder holds '${left}', out.csv '${kept}'")
endif()
file(REMOVE_RECURSE ${SCRATCH})
