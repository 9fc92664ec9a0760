# Every check of `qvhost validate --list` must be one that a fixture variant is expected to make
# FAILED, CRASHED, TIMEOUT or UNLOADABLE: a check that no broken input has been seen to catch can
# stop checking and nothing notices. A new check fails here until its variant joins
# validate_variants in tests/host/validate/CMakeLists.txt. So with the rules the host watches in
# every session (`qvhost validate --rules`): each must have a variant whose result carries the tag
# its findings end with, or a rule could stop finding anything and nothing would notice.
# Arguments: EMULATOR (empty natively), QVHOST, EXPECTED (every variant's "id=RESULT" entries,
# joined by commas), TEXTS (every variant's text its result must carry, joined by "|").
cmake_minimum_required(VERSION 3.25)

# What `qvhost validate OPTION` prints, into the variable OUT.
function(qvhost_listing option out)
    execute_process(COMMAND ${EMULATOR} ${QVHOST} validate ${option}
                    OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE exit_code)
    if(NOT exit_code EQUAL 0)
        message(FATAL_ERROR "qvhost validate ${option}: exit code ${exit_code}: ${errors}")
    endif()
    set(${out} "${listing}" PARENT_SCOPE)
endfunction()

qvhost_listing(--list listing)
# One check a line: its id, then its description.
string(REGEX MATCHALL "(^|\n)[a-z0-9-]+" checks "${listing}")
list(TRANSFORM checks STRIP)
string(REGEX MATCHALL "[a-z0-9-]+=(FAILED|CRASHED|TIMEOUT|UNLOADABLE)" proven "${EXPECTED}")
list(TRANSFORM proven REPLACE "=.*" "")

set(unproven ${checks})
list(REMOVE_ITEM unproven ${proven})
set(unknown ${proven})
list(REMOVE_ITEM unknown ${checks})
if(NOT checks OR unproven OR unknown)
    message(FATAL_ERROR "checks no variant makes fail: '${unproven}'; variants naming checks that "
                        "`qvhost validate --list` lacks: '${unknown}'\n${listing}")
endif()

qvhost_listing(--rules rules)
# One rule a line, ending in the tag its findings end with: "[id]".
string(REGEX MATCHALL "end \\[[a-z0-9-]+\\]" markers "${rules}")
set(unfound "")
foreach(marker IN LISTS markers)
    string(REGEX REPLACE "^end " "" marker "${marker}")
    string(FIND "${TEXTS}" "${marker}" at)
    if(at EQUAL -1)
        list(APPEND unfound "${marker}")
    endif()
endforeach()
if(NOT markers OR unfound)
    message(FATAL_ERROR "rules no variant's result shows: '${unfound}'\n${rules}")
endif()
