# qv_run(command args... [WORKING_DIRECTORY dir]): runs a command from a CMake script and stops
# the script, naming the command, when it fails.
function(qv_run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "failed: ${command}")
    endif()
endfunction()
