# Run by CPack (generator External) once the components are staged: packs each into its archive
# in CPACK_QV_DIST_DIR. The archives hold the same bytes whoever builds them, wherever and
# whenever: entries sorted by name, owned by root, modes from the staged files' executable bits
# alone, every time stamp at SOURCE_DATE_EPOCH, and no time stamp in the gzip header.
include(${CMAKE_CURRENT_LIST_DIR}/QVScriptTools.cmake)

function(qv_source_date_epoch out)
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
        set(${out} $ENV{SOURCE_DATE_EPOCH} PARENT_SCOPE)
        return()
    endif()
    execute_process(COMMAND git -C ${CPACK_QV_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
    if(failed OR NOT epoch MATCHES "^[0-9]+$")
        message(FATAL_ERROR "set SOURCE_DATE_EPOCH: ${CPACK_QV_SOURCE_DIR} has no commit to "
                            "take the archives' date from")
    endif()
    set(${out} ${epoch} PARENT_SCOPE)
endfunction()

# Modes without the builder's umask: rwxr-xr-x for directories and executables, rw-r--r-- else.
function(qv_normalise_modes dir)
    qv_run(chmod -R u=rwX,go=rX ${dir})
endfunction()

# Dir/<top>/... as <top>.tar.gz.
function(qv_pack_tar_gz dir top epoch archive)
    qv_normalise_modes(${dir})
    execute_process(
        COMMAND tar --sort=name --owner=0 --group=0 --numeric-owner --mtime=@${epoch}
                    --format=gnu -C ${dir} -cf - ${top}
        COMMAND gzip -9 -n
        OUTPUT_FILE ${archive}
        RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR " packing failed: ${archive}")
    endif()
endfunction()

# Dir/<top>/... as <top>.zip, with SHA256SUMS over its files beside them. Zip keeps local time
# in its entries, so the clock is UTC while packing; -X leaves out owners and extra times.
function(qv_pack_zip dir top epoch archive)
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${dir}/${top} ${dir}/${top}/*)
    qv_write_sha256sums(${dir}/${top} ${files})
    qv_normalise_modes(${dir})

    list(TRANSFORM files PREPEND ${top}/)
    list(APPEND files ${top}/SHA256SUMS)
    list(SORT files)
    qv_run(touch -d @${epoch} ${files} WORKING_DIRECTORY ${dir})
    file(REMOVE ${archive})
    qv_run(env TZ=UTC zip -X -D -q -9 ${archive} ${files} WORKING_DIRECTORY ${dir})
endfunction()

qv_source_date_epoch(epoch)
if(CPACK_QV_WIN32_CONFIG)
    # The release's first archive: nothing of an earlier release stays beside it.
    file(REMOVE_RECURSE ${CPACK_QV_DIST_DIR})
endif()
file(MAKE_DIRECTORY ${CPACK_QV_DIST_DIR})
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    if(component STREQUAL "sdk")
        set(top QVSdk-${CPACK_PACKAGE_VERSION}-${CPACK_QV_PLATFORM})
        set(format tar_gz)
        set(extension tar.gz)
    elseif(component STREQUAL "player")
        set(top ${CPACK_QV_PLAYER_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_QV_PLATFORM})
        set(format zip)
        set(extension zip)
    else()
        message(FATAL_ERROR "no archive for the component ${component}")
    endif()
    # Each archive unpacks into one folder named after it.
    set(pack ${CPACK_TOPLEVEL_DIRECTORY}/pack-${component})
    file(REMOVE_RECURSE ${pack})
    file(MAKE_DIRECTORY ${pack})
    file(RENAME ${CPACK_TEMPORARY_DIRECTORY}/${component} ${pack}/${top})
    set(archive ${CPACK_QV_DIST_DIR}/${top}.${extension})
    cmake_language(CALL qv_pack_${format} ${pack} ${top} ${epoch} ${archive})
    message(STATUS "wrote ${archive}")
endforeach()
