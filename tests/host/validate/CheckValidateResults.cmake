# Runs `qvhost validate --json` on one library and compares every result that is not PASSED with
# the expected list: each variant must fail exactly the checks meant for it, and nothing else.
# Arguments: EMULATOR (empty natively), QVHOST, LIBRARY, EXPECTED ("id=RESULT,..." or empty; an
# "id=PASSED" entry only asks for the check to pass, "id=UNLOADABLE" or "load" for a library the
# host refuses as it loads it), FILTER (optional: the --filter of the checks to run; all of them
# without it), TIMEOUT (seconds per check), STDERR (optional: a text the document must carry from
# a child's output), FAILURES_ONLY (optional: SKIPPED results are left out of the comparison),
# JOBS (optional: checks run at once, 1 without it; above 1 the results must still come in the
# table's order), REPEAT (optional: runs of the selected checks), CONTAINED (optional: "peak<N MB"
# bounds the validator's own peak memory, read from /proc while it runs; "helper" hands the
# module a helper command that writes its pid, which must be gone once the run is; "replay:TEXT"
# keeps the failing sessions with --keep-failures, and each must replay by `qvhost play --script`
# to a problem carrying TEXT, "replay:crash" to a crash, or "replay:compare" to two plays that
# differ), SCRATCH (a folder for what CONTAINED needs).
# Every build gives the same results: natively, under the sanitizers and on Windows.
cmake_minimum_required(VERSION 3.25)

if(NOT JOBS)
    set(JOBS 1)
endif()
if(NOT REPEAT)
    set(REPEAT 1)
endif()
set(filter_arguments "")
if(FILTER)
    set(filter_arguments --filter "${FILTER}")
endif()
set(measured "")
set(keep_arguments "")
if(CONTAINED MATCHES "^replay:(.*)$")
    set(replayed_problem "${CMAKE_MATCH_1}")
    file(REMOVE_RECURSE ${SCRATCH})
    set(keep_arguments --keep-failures ${SCRATCH})
elseif(CONTAINED MATCHES "^peak<([0-9]+) MB$")
    math(EXPR most_kb "${CMAKE_MATCH_1} * 1024")
    # Its VmHWM as last read before it ended (newlines, not semicolons, in a list).
    set(measured bash -c [=[
"$@" &
while grep -s VmHWM /proc/$!/status
do sleep 0.01
done | tail -n 1 >&2
wait $!
]=] measure)
elseif(CONTAINED STREQUAL "helper")
    file(REMOVE_RECURSE ${SCRATCH})
    file(MAKE_DIRECTORY ${SCRATCH})
    set(ENV{QVFIXTURE_HELPER} "echo $$ > '${SCRATCH}/helper.pid'; exec sleep 600")
endif()
execute_process(
    COMMAND ${measured} ${EMULATOR} ${QVHOST} validate ${LIBRARY} --json --seed 7
            --timeout ${TIMEOUT} --jobs ${JOBS} --repeat ${REPEAT} ${filter_arguments}
            ${keep_arguments}
    OUTPUT_VARIABLE document ERROR_VARIABLE errors RESULT_VARIABLE exit_code)
if(measured)
    string(REGEX MATCH "VmHWM:[ \t]*([0-9]+) kB" peak "${errors}")
    if(NOT peak OR CMAKE_MATCH_1 GREATER most_kb)
        message(FATAL_ERROR "the validator's peak memory: '${peak}', at most ${most_kb} kB allowed")
    endif()
elseif(CONTAINED STREQUAL "helper")
    # Killed with its check's group: gone within 5 s, or a zombie left to whoever adopted it.
    file(STRINGS ${SCRATCH}/helper.pid helper)
    execute_process(COMMAND bash -c "for k in $(seq 100); do
        grep -qs '^State:[[:space:]]*[^ZX]' /proc/$0/status || exit 0; sleep 0.05; done
        kill -9 $0; exit 1" ${helper} RESULT_VARIABLE alive)
    if(NOT helper OR alive)
        message(FATAL_ERROR "the module's helper '${helper}' outlived its check")
    endif()
    file(REMOVE_RECURSE ${SCRATCH})
endif()

if(EXPECTED STREQUAL "load" OR EXPECTED MATCHES "=UNLOADABLE$")
    string(JSON load_error ERROR_VARIABLE no_error GET "${document}" libraries 0 load_error)
    if(NOT exit_code EQUAL 3 OR NOT load_error OR (STDERR AND NOT load_error MATCHES "${STDERR}"))
        message(FATAL_ERROR "expected a library that cannot be validated, exit 3 and '${STDERR}'; "
                            "exit ${exit_code}:\n${document}\n${errors}")
    endif()
    return()
endif()
string(JSON count LENGTH "${document}" libraries 0 results)
set(actual "")
set(ran "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    string(JSON id GET "${document}" libraries 0 results ${i} id)
    string(JSON result GET "${document}" libraries 0 results ${i} result)
    list(APPEND ran "${id}")
    if(NOT result STREQUAL "PASSED")
        list(APPEND actual "${id}=${result}")
    endif()
endforeach()

if(JOBS GREATER 1 AND REPEAT EQUAL 1)
    execute_process(COMMAND ${EMULATOR} ${QVHOST} validate --list OUTPUT_VARIABLE listing)
    string(REGEX MATCHALL "(^|\n)[a-z0-9-]+" table_order "${listing}")
    list(TRANSFORM table_order STRIP)
    list(FILTER table_order INCLUDE REGEX ".")
    set(expected_order "")
    foreach(id IN LISTS table_order)
        if(id IN_LIST ran)
            list(APPEND expected_order "${id}")
        endif()
    endforeach()
    if(NOT ran STREQUAL expected_order)
        message(FATAL_ERROR "with --jobs ${JOBS} the results came as '${ran}', expected the table's "
                            "order '${expected_order}'")
    endif()
endif()

string(REPLACE "," ";" expected "${EXPECTED}")
list(FILTER expected EXCLUDE REGEX "=PASSED$")
if(FAILURES_ONLY)
    list(FILTER expected EXCLUDE REGEX "=SKIPPED$")
    list(FILTER actual EXCLUDE REGEX "=SKIPPED$")
endif()
list(SORT expected)
list(SORT actual)
if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "results other than PASSED: '${actual}', expected '${expected}'\n${document}")
endif()
set(expected_exit 0)
foreach(entry IN LISTS expected)
    if(NOT entry MATCHES "=(SKIPPED|WARNED)$")
        set(expected_exit 1)
    endif()
endforeach()
if(NOT exit_code EQUAL expected_exit)
    message(FATAL_ERROR "exit code ${exit_code}, expected ${expected_exit}: ${errors}")
endif()
if(keep_arguments)
    # With --repeat, each run keeps its sessions in a folder of its own.
    file(GLOB_RECURSE kept ${SCRATCH}/*.qvs)
    if(NOT kept OR NOT document MATCHES "(replays|differ again) with: [^\"]*--script")
        message(FATAL_ERROR "no failing session kept in ${SCRATCH}:\n${document}")
    endif()
    # Natively, each replay command pasted into a shell as printed replays too, and names a control
    # character of its paths by its code.
    # A failing check that kept no script says how it runs again alone, and it fails so.
    foreach(i RANGE ${last})
        string(JSON message GET "${document}" libraries 0 results ${i} message)
        string(JSON id GET "${document}" libraries 0 results ${i} id)
        if(NOT EMULATOR AND message MATCHES "runs again alone with: qvhost validate ([^\n]*)$")
            execute_process(COMMAND bash -c "'${QVHOST}' validate ${CMAKE_MATCH_1}"
                            OUTPUT_VARIABLE again ERROR_QUIET)
            if(NOT again MATCHES "\n  (FAILED|CRASHED) +${id}: ")
                message(FATAL_ERROR "${id} did not fail again alone:\n${again}")
            endif()
        endif()
        # Pasted as printed, the commands differ first at the sample the check named.
        if(NOT EMULATOR AND message MATCHES "differ again with: (qvhost play [^\n]*)$")
            set(pair_command "${CMAKE_MATCH_1}")
            string(REGEX MATCH "from sample ([0-9]+)" named "${message}")
            set(named ${CMAKE_MATCH_1})
            execute_process(COMMAND bash -c "qvhost() { '${QVHOST}' \"$@\"; }; ${pair_command}"
                            OUTPUT_VARIABLE compared RESULT_VARIABLE pasted ERROR_QUIET)
            if(NOT pasted EQUAL 1 OR NOT compared MATCHES " differ first at sample ${named},")
                message(FATAL_ERROR "'${pair_command}' exited ${pasted}, expected a difference "
                                    "first at sample ${named}:\n${compared}")
            endif()
        endif()
        if(EMULATOR OR NOT message MATCHES "replays with: qvhost play ([^\n]*)")
            continue()
        endif()
        set(command "'${QVHOST}' play ${CMAKE_MATCH_1}")
        if(command MATCHES "[\t\r]")
            message(FATAL_ERROR "a control character printed raw in '${command}'")
        endif()
        execute_process(COMMAND bash -c "${command}" RESULT_VARIABLE pasted OUTPUT_QUIET
                        ERROR_QUIET)
        if(pasted MATCHES "^[02]$")
            message(FATAL_ERROR "'${command}' exited ${pasted} as a shell ran it")
        endif()
    endforeach()
    list(LENGTH kept kept_count)
    if(REPEAT GREATER 1 AND NOT kept_count EQUAL REPEAT)
        message(FATAL_ERROR "${kept_count} sessions kept for ${REPEAT} runs: ${kept}")
    endif()
    # Two sessions compared are kept whole: played again, they differ again.
    if(replayed_problem STREQUAL "compare")
        file(GLOB_RECURSE references ${SCRATCH}/*.reference.qvs)
        if(NOT references)
            message(FATAL_ERROR "no pair of sessions kept in ${SCRATCH}: ${kept}")
        endif()
        foreach(reference IN LISTS references)
            string(REGEX REPLACE "[.]reference[.]qvs$" ".qvs" played "${reference}")
            foreach(script IN ITEMS ${reference} ${played})
                execute_process(COMMAND ${EMULATOR} ${QVHOST} play ${LIBRARY} --script ${script}
                                        --csv ${script}.csv
                                RESULT_VARIABLE replayed OUTPUT_QUIET ERROR_VARIABLE problems)
                if(NOT replayed EQUAL 0)
                    message(FATAL_ERROR "${script} replayed with exit ${replayed}: ${problems}")
                endif()
            endforeach()
            file(STRINGS ${played} replay REGEX "^# Replay and compare: ")
            set(from 0)
            if(replay MATCHES " --from ([0-9]+)$")
                set(from ${CMAKE_MATCH_1})
            endif()
            execute_process(COMMAND ${EMULATOR} ${QVHOST} compare ${reference}.csv ${played}.csv
                                    --from ${from}
                            OUTPUT_VARIABLE compared RESULT_VARIABLE differ)
            if(NOT differ EQUAL 1 OR NOT compared MATCHES " differ first at sample ${from},")
                message(FATAL_ERROR "${played} against ${reference}, from ${from}: ${differ}\n"
                                    "${compared}")
            endif()
        endforeach()
        set(kept "")
    endif()
    foreach(script IN LISTS kept)
        # Shortened: fewer samples or fewer actions than the session the check played.
        file(READ ${script} session)
        string(REGEX MATCH "Shortened from ([0-9]+) actions and ([0-9]+) samples" header
               "${session}")
        set(played_actions ${CMAKE_MATCH_1})
        set(played_samples ${CMAKE_MATCH_2})
        string(REGEX MATCHALL "\nat [0-9]+ " actions "${session}")
        list(LENGTH actions kept_actions)
        string(REGEX MATCH "\nsamples ([0-9]+)" samples "${session}")
        if(NOT header OR NOT (CMAKE_MATCH_1 LESS played_samples OR
                              kept_actions LESS played_actions))
            message(FATAL_ERROR "${script} is not shorter than the session played:\n${session}")
        endif()
        execute_process(COMMAND ${EMULATOR} ${QVHOST} play ${LIBRARY} --script ${script}
                        OUTPUT_VARIABLE played ERROR_VARIABLE problems RESULT_VARIABLE replayed)
        string(FIND "${problems}" "problem: " at_problem)
        string(FIND "${problems}" "${replayed_problem}" at)
        if(replayed_problem STREQUAL "crash")
            # A crash is any ending but an exit of the command's own (0, 1 or 2), or a
            # sanitizer's report of one.
            if(NOT replayed MATCHES "^[012]$" OR problems MATCHES "Sanitizer|runtime error: ")
                continue()
            endif()
        elseif(replayed EQUAL 1 AND NOT at_problem EQUAL -1 AND NOT at EQUAL -1)
            continue()
        endif()
        message(FATAL_ERROR "${script} replayed with exit ${replayed}, expected 1 and a problem "
                            "carrying '${replayed_problem}':\n${session}\n${problems}")
    endforeach()
endif()
if(STDERR)
    string(FIND "${document}" "${STDERR}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the child's standard error '${STDERR}' is missing:\n${document}")
    endif()
endif()
