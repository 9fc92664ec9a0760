# Functions for the CMake scripts of the release (run with -P or by CPack).

# qv_run(command args... [WORKING_DIRECTORY dir]): runs a command and stops the script, naming
# the command, when it fails.
function(qv_run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR " failed: ${command}")
    endif()
endfunction()

# qv_write_sha256sums(dir file...): dir/SHA256SUMS over the files, given relative to dir, sorted,
# in the lines sha256sum -c reads.
function(qv_write_sha256sums dir)
    set(files ${ARGN})
    list(SORT files)
    set(sums "")
    foreach(f IN LISTS files)
        file(SHA256 ${dir}/${f} sum)
        string(APPEND sums "${sum}  ${f}\n")
    endforeach()
    file(WRITE ${dir}/SHA256SUMS "${sums}")
endfunction()
