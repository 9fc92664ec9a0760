# Stops `qvhost validate` with SIGNAL (INT, as a user's Ctrl-C does, or HUP) while the child of the second
# library's second check hangs in the module: the child is gone when the validator has exited,
# the validator printed the results so far, the line saying how far it came and the summary, and
# it failed. The first library's crash was kept, so the keep folder held a file being written
# before the stop: it holds that session, and nothing the stop left half made. The stop comes
# once the validator has printed the second library's first result and the child of gui-hooks
# runs, known by its own filter, `^gui-hooks$`.
# Arguments: QVHOST, SIGNAL, CRASHER (a module that crashes in play-stored-values), LIBRARY (a module that
# hangs in gui-hooks), SCRATCH (a scratch folder).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
set(script [=[
"$1" validate "$4" "$2" --filter '^(gui-initialise|gui-hooks|play-stored-values)$' --timeout 60 \
    --jobs 1 --keep-failures "$3/keep" > "$3/report" &
pid=$!
child=
for attempt in $(seq 1 1200); do
    if [ "$(grep -cs 'PASSED  gui-initialise' "$3/report")" = 2 ]; then
        for started in $(cat /proc/$pid/task/*/children 2> /dev/null); do
            grep -aqsF '^gui-hooks$' /proc/$started/cmdline && child=$started
        done
    fi
    [ -n "$child" ] && break
    sleep 0.05
done
kill -$5 $pid
wait $pid
echo "exit $?" >> "$3/report"
[ -n "$child" ] && [ -d /proc/$child ] && echo "child $child left running" >> "$3/report"
]=])
execute_process(COMMAND bash -c "${script}" interrupt ${QVHOST} ${LIBRARY} ${SCRATCH} ${CRASHER}
                ${SIGNAL})
file(READ ${SCRATCH}/report report)
foreach(expected "\n  CRASHED play-stored-values: [^\n]*replays with: " "interrupted: 1 of 3 checks run\n"
                 "\n1 passed, 0 failed\nFAILURE\nexit 1\n$")
    if(NOT report MATCHES "${expected}")
        message(FATAL_ERROR "the interrupted validator's report lacks '${expected}':\n${report}")
    endif()
endforeach()
if(report MATCHES "left running")
    message(FATAL_ERROR "${report}")
endif()
file(GLOB kept RELATIVE ${SCRATCH}/keep ${SCRATCH}/keep/*)
if(NOT kept STREQUAL "libqvfixture_validate_notice_needs_initialise.play-stored-values.qvs")
    message(FATAL_ERROR "the keep folder holds '${kept}'")
endif()
file(REMOVE_RECURSE ${SCRATCH})
