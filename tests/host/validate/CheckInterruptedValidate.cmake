# Stops `qvhost validate` with SIGINT, as a user's Ctrl-C does, while the child of its second check
# hangs in the module: the child is gone when the validator has exited, the validator printed the
# first check's result, the line saying how far it came and the summary, and it failed. The stop
# comes once the validator has printed the first result and the child of gui-hooks runs, known by
# its own filter, `^gui-hooks$`.
# Arguments: QVHOST, LIBRARY (a module that hangs in gui-hooks), SCRATCH (a scratch folder).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
set(script [=[
"$1" validate "$2" --filter '^(gui-initialise|gui-hooks)$' --timeout 60 --jobs 1 > "$3/report" &
pid=$!
child=
for attempt in $(seq 1 1200); do
    if grep -qs 'PASSED  gui-initialise' "$3/report"; then
        for started in $(cat /proc/$pid/task/*/children 2> /dev/null); do
            grep -aqsF '^gui-hooks$' /proc/$started/cmdline && child=$started
        done
    fi
    [ -n "$child" ] && break
    sleep 0.05
done
kill -INT $pid
wait $pid
echo "exit $?" >> "$3/report"
[ -n "$child" ] && [ -d /proc/$child ] && echo "child $child left running" >> "$3/report"
]=])
execute_process(COMMAND bash -c "${script}" interrupt ${QVHOST} ${LIBRARY} ${SCRATCH})
file(READ ${SCRATCH}/report report)
foreach(expected "  PASSED  gui-initialise\n" "interrupted: 1 of 2 checks run\n"
                 "\n1 passed, 0 failed\nexit 1\n$")
    if(NOT report MATCHES "${expected}")
        message(FATAL_ERROR "the interrupted validator's report lacks '${expected}':\n${report}")
    endif()
endforeach()
if(report MATCHES "left running")
    message(FATAL_ERROR "${report}")
endif()
file(REMOVE_RECURSE ${SCRATCH})
