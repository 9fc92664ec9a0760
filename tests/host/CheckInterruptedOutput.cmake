# Stops a long render or play with a signal (SIGINT, as a user's Ctrl-C does) once its output has
# begun to be written (a part file beside the target has grown, or the target itself changed): the
# command fails, the file it was to replace keeps its bytes, and nothing is left beside it.
# Arguments: QVHOST, COMMAND (render or play), LIBRARY (a module with a sample input In and a
# sample output), SIGNAL (its name, as kill takes it), ENDING (the exit status it must end with,
# as bash gives it; empty for any failure), FOLDER (a scratch folder).
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
file(WRITE ${FOLDER}/kept.csv "earlier\n")
set(script [=[
"$1" "$4" "$2" --samples 28800000 --input In=noise:1 --csv "$3/kept.csv" &
pid=$!
for attempt in $(seq 1 1200); do
    written=$(find "$3" -name 'kept.csv*' -size +1k | head -n 1)
    [ -n "$written" ] && break
    kill -0 $pid 2> /dev/null || break
    sleep 0.05
done
kill -"$5" $pid
wait $pid
]=])
execute_process(COMMAND bash -c "${script}" interrupt ${QVHOST} ${LIBRARY} ${FOLDER} ${COMMAND}
                        ${SIGNAL} RESULT_VARIABLE code)
file(READ ${FOLDER}/kept.csv kept)
file(GLOB left ${FOLDER}/*)
list(REMOVE_ITEM left ${FOLDER}/kept.csv)
if(code EQUAL 0 OR (ENDING AND NOT code EQUAL ENDING))
    message(FATAL_ERROR "a ${COMMAND} stopped by SIG${SIGNAL} ended with '${code}', where it must "
                        "fail ${ENDING}")
endif()
if(NOT kept STREQUAL "earlier\n" OR left)
    message(FATAL_ERROR "a ${COMMAND} stopped by SIG${SIGNAL} left kept.csv holding '${kept}' and "
                        "'${left}' beside it")
endif()
file(REMOVE_RECURSE ${FOLDER})
