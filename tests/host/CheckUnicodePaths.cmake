# A library and an output whose paths hold a character outside any ANSI code page (☃): the host
# loads the one and writes the other, on Windows too.
# Arguments: EMULATOR (empty natively), QVHOST, LIBRARY (a module with a sample output), FOLDER
# (a scratch folder).
cmake_minimum_required(VERSION 3.25)

set(snow "${FOLDER}/snow☃")
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY "${snow}")
get_filename_component(suffix ${LIBRARY} LAST_EXT)
file(COPY_FILE ${LIBRARY} "${snow}/module☃${suffix}")
execute_process(COMMAND ${EMULATOR} ${QVHOST} render "${snow}/module☃${suffix}" --samples 64
                        --csv "${snow}/out☃.csv"
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE errors)
if(NOT code EQUAL 0 OR NOT EXISTS "${snow}/out☃.csv")
    message(FATAL_ERROR "exit ${code}, expected 0 and out☃.csv written:\n${out}${errors}")
endif()
file(REMOVE_RECURSE ${FOLDER})
