# Packs the same staged components twice with cmake/QVPackArchives.cmake, as CPack runs it, each
# time into a folder of its own and with every staged file and folder stamped with another time,
# and fails unless each archive comes out with the same bytes both times: the archives must carry
# SOURCE_DATE_EPOCH, never the times of the files they were packed from.
# Usage: cmake -DPACK_SCRIPT=<QVPackArchives.cmake> -DWORK=<scratch folder>
#              -P CheckPackArchives.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/QVScriptTools.cmake)

set(archives QVSdk-1.2.3-test.tar.gz Player-1.2.3-test.zip)
file(REMOVE_RECURSE ${WORK})
foreach(run 1000000000 1100000000)
    set(top ${WORK}/${run})
    # What CPack stages for each component: a folder of files, one of them executable.
    foreach(component sdk player)
        set(staged ${top}/staging/${component})
        file(WRITE ${staged}/README.txt "${component}\n")
        file(WRITE ${staged}/share/doc/notes.txt "notes of ${component}\n")
        file(WRITE ${staged}/bin/tool "#!/bin/sh\n")
        file(CHMOD ${staged}/bin/tool PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    endforeach()
    file(GLOB_RECURSE staged LIST_DIRECTORIES true ${top}/staging/*)
    qv_run(touch -d @${run} ${staged})
    # Not through qv_run, which would split the list of components into two arguments.
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=1700000000
                ${CMAKE_COMMAND} "-DCPACK_COMPONENTS_ALL=sdk;player" -DCPACK_PACKAGE_VERSION=1.2.3
                -DCPACK_QV_PLATFORM=test -DCPACK_QV_PLAYER_NAME=Player -DCPACK_QV_SOURCE_DIR=${WORK}
                -DCPACK_QV_DIST_DIR=${top}/dist -DCPACK_TOPLEVEL_DIRECTORY=${top}
                -DCPACK_TEMPORARY_DIRECTORY=${top}/staging -P ${PACK_SCRIPT}
        RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "packing the files stamped @${run} failed")
    endif()
    list(APPEND dists ${top}/dist)
endforeach()

list(GET dists 0 first)
list(GET dists 1 second)
foreach(archive IN LISTS archives)
    foreach(dist IN LISTS dists)
        if(NOT EXISTS ${dist}/${archive})
            message(FATAL_ERROR "no ${archive} in ${dist}")
        endif()
    endforeach()
    file(SHA256 ${first}/${archive} first_sum)
    file(SHA256 ${second}/${archive} second_sum)
    if(NOT first_sum STREQUAL second_sum)
        message(FATAL_ERROR " ${archive} differs between packs of files stamped with other times:\n"
                            "  ${first_sum}  ${first}/${archive}\n"
                            "  ${second_sum}  ${second}/${archive}")
    endif()
    message(STATUS "${first_sum}  ${archive}")
endforeach()
file(REMOVE_RECURSE ${WORK})
