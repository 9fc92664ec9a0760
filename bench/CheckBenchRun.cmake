# Runs every benchmark once, briefly, and fails unless the report holds each expected row with the
# counters it reports, and no benchmark stopped with an error: a program that runs nothing, or a
# benchmark that is no longer registered or no longer counts, fails. No figure is checked.
# Usage: cmake -DBENCH=<qv_bench> -DROWS=<row,...> -P CheckBenchRun.cmake, each row a benchmark's
# full name and the names of its counters, separated by spaces.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${BENCH} --benchmark_min_time=0.001
                OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE exit_code)
if(NOT exit_code EQUAL 0)
    message(FATAL_ERROR "${BENCH}: exit code ${exit_code}\n${errors}\n${report}")
endif()
if(report MATCHES "ERROR OCCURRED")
    message(FATAL_ERROR "a benchmark stopped with an error:\n${report}")
endif()

string(REPLACE "," ";" ROWS "${ROWS}")
set(missing "")
foreach(row IN LISTS ROWS)
    string(REPLACE " " ";" fields "${row}")
    list(POP_FRONT fields name)
    # The row is the line that starts with the name and a space.
    string(REGEX MATCH "(^|\n)${name} [^\n]*" line "${report}")
    if(NOT line)
        list(APPEND missing "${name}")
        continue()
    endif()
    foreach(counter IN LISTS fields)
        string(FIND "${line}" " ${counter}=" at)
        if(at EQUAL -1)
            list(APPEND missing "${name} ${counter}")
        endif()
    endforeach()
endforeach()
if(NOT ROWS OR missing)
    list(JOIN missing "\n  " missing)
    message(FATAL_ERROR "rows or counters missing from the report:\n  ${missing}\n${report}")
endif()
list(LENGTH ROWS rows)
message(STATUS "${rows} benchmarks ran and reported their counters")
