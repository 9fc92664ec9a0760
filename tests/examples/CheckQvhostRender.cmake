# Runs `qvhost render` on the Marlglide library with a dc input and checks the files it writes:
# the CSV holds the glide (a step of 1/480 per sample, at 1 from sample 479 on), and the WAV is
# written where the host has WAV output and refused with its reason, as a usage error (exit 2),
# where it has not.
# Arguments: EMULATOR (empty natively), QVHOST, LIBRARY, OUTPUT_DIR, WAV_EXPECTED (1 or 0).
cmake_minimum_required(VERSION 3.25)

set(csv ${OUTPUT_DIR}/marlglide-render.csv)
set(wav ${OUTPUT_DIR}/marlglide-render.wav)
file(REMOVE ${csv} ${wav})
set(render ${EMULATOR} ${QVHOST} render ${LIBRARY} --samples 600 --block 100 --input In=dc:1)

execute_process(COMMAND ${render} --csv ${csv} --wav ${wav}
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE exit_code)
if(WAV_EXPECTED)
    if(NOT exit_code EQUAL 0)
        message(FATAL_ERROR "qvhost render exited with ${exit_code}: ${errors}")
    endif()
    file(READ ${wav} header LIMIT 12 HEX)
    if(NOT header MATCHES "^52494646........57415645$")
        message(FATAL_ERROR "${wav} is no RIFF/WAVE file: ${header}")
    endif()
else()
    if(NOT exit_code EQUAL 2 OR NOT errors MATCHES "WAV output needs the native host")
        message(FATAL_ERROR "WAV was not refused (${exit_code}): ${output}${errors}")
    endif()
    if(EXISTS ${csv})
        message(FATAL_ERROR "a refused render still wrote ${csv}")
    endif()
    execute_process(COMMAND ${render} --csv ${csv} ERROR_VARIABLE errors RESULT_VARIABLE exit_code)
    if(NOT exit_code EQUAL 0)
        message(FATAL_ERROR "qvhost render --csv exited with ${exit_code}: ${errors}")
    endif()
endif()

file(STRINGS ${csv} rows)
list(LENGTH rows row_count)
list(GET rows 0 header)
list(GET rows 1 first)
list(GET rows 240 middle)
list(GET rows 480 last_moving)
list(GET rows 600 last)
if(NOT row_count EQUAL 601 OR NOT header STREQUAL "sample,Out" OR NOT first MATCHES "^0,0\\.002083333"
   OR NOT middle MATCHES "^239,0\\.(49999|5)" OR NOT last_moving MATCHES "^479,(1|0\\.99999)"
   OR NOT last STREQUAL "599,1")
    message(FATAL_ERROR "unexpected CSV (${row_count} rows): ${header} | ${first} | ${middle} | "
                        "${last_moving} | ${last}")
endif()
