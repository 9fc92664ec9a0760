# Builds what the release ships for 32-bit Windows (the module library, and the SDK's host and
# static libraries) from two copies of the sources, in folders at different depths and one after
# the other, and fails unless both give the bytes of the release's own build, from a third folder.
# Usage: cmake -DSOURCE=<tree> -DWORK=<scratch folder> -DREFERENCE=<the release's Windows tree>
#              -DTARGETS=<target,...> -DFILES=<file,...> (relative to a build tree)
#              -P QVCheckReproducible.cmake

include(${CMAKE_CURRENT_LIST_DIR}/QVScriptTools.cmake)

# The files a clone would hold, with any change not yet committed: what git knows of, or
# everything but build/ outside a repository.
execute_process(COMMAND git -C ${SOURCE} ls-files --cached --others --exclude-standard
                OUTPUT_VARIABLE files RESULT_VARIABLE not_a_clone ERROR_QUIET)
if(not_a_clone)
    file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/*)
    list(FILTER files EXCLUDE REGEX "^build/")
else()
    string(REGEX REPLACE "\n$" "" files "${files}")
    string(REPLACE "\n" ";" files "${files}")
endif()

string(REPLACE "," ";" FILES "${FILES}")
string(REPLACE "," ";" TARGETS "${TARGETS}")
file(REMOVE_RECURSE ${WORK})
foreach(folder a/kestrel nested/deeper/still/other-name)
    set(copy ${WORK}/${folder})
    foreach(f IN LISTS files)
        if(EXISTS ${SOURCE}/${f} AND NOT IS_DIRECTORY ${SOURCE}/${f})
            get_filename_component(dir ${copy}/${f} DIRECTORY)
            file(COPY ${SOURCE}/${f} DESTINATION ${dir})
        endif()
    endforeach()
    qv_run(${CMAKE_COMMAND} -S ${copy} -B ${copy}/build -G Ninja
           --toolchain ${copy}/cmake/i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release
           -DQV_BUILD_TESTS=OFF)
    qv_run(${CMAKE_COMMAND} --build ${copy}/build --target ${TARGETS})
    foreach(f IN LISTS FILES)
        file(SHA256 ${copy}/build/${f} built)
        file(SHA256 ${REFERENCE}/${f} expected)
        if(NOT built STREQUAL expected)
            # Indented, so that CMake prints the lines as they are, whatever their length.
            message(FATAL_ERROR " ${copy}/build/${f} differs from ${REFERENCE}/${f}:\n"
                                "  ${built}\n  ${expected}")
        endif()
        message(STATUS "${folder}: ${built}  ${f}")
    endforeach()
endforeach()
file(REMOVE_RECURSE ${WORK})
