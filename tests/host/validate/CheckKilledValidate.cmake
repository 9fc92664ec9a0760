# Kills `qvhost validate` with SIGKILL, which it cannot catch, while its check's child waits on a
# helper process the module started: the helper must be gone within 5 s, not left to whoever
# adopts it.
# Arguments: QVHOST, LIBRARY (a module that starts the helper QVFIXTURE_HELPER names at open and
# waits), SCRATCH (a scratch folder).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
set(script [=[
export QVFIXTURE_HELPER="echo \$\$ > '$3/helper.pid'; exec sleep 600"
"$1" validate "$2" --filter '^audio-open$' --timeout 60 > /dev/null 2>&1 &
pid=$!
for attempt in $(seq 1 200); do
    [ -s "$3/helper.pid" ] && break
    sleep 0.05
done
helper=$(cat "$3/helper.pid")
kill -9 $pid
wait $pid
for attempt in $(seq 1 100); do
    grep -qs '^State:[[:space:]]*[^ZX]' /proc/$helper/status || exit 0
    sleep 0.05
done
kill -9 $helper
echo "the helper $helper outlived the killed validator"
exit 1
]=])
execute_process(COMMAND bash -c "${script}" killed ${QVHOST} ${LIBRARY} ${SCRATCH}
                RESULT_VARIABLE outcome OUTPUT_VARIABLE said)
if(NOT outcome EQUAL 0)
    message(FATAL_ERROR "${said}")
endif()
file(REMOVE_RECURSE ${SCRATCH})
