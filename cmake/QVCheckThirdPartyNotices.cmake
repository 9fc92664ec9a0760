# Checks that THIRD-PARTY-NOTICES.txt covers everything of others that the linker put into our
# binaries: each archive that gave a member and each start-up object loaded from outside the build
# tree, as the link maps name them, must head an entry that names the Debian package the file
# belongs to (dpkg-query says which). With HEADERS, each header-only library compiled in,
# written <dir/...>, must head one too.
# Usage: cmake -DNOTICES=<file> -DMAPS=<map>,... -DBUILD_DIR=<our build tree>
#              [-DHEADERS=CLI,nlohmann] -P QVCheckThirdPartyNotices.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${NOTICES}" OR NOT IS_ABSOLUTE "${BUILD_DIR}")
    message(FATAL_ERROR "give NOTICES, an existing file, and BUILD_DIR, an absolute path")
endif()
string(REPLACE "," ";" MAPS "${MAPS}")
string(REPLACE "," ";" HEADERS "${HEADERS}")
get_filename_component(notices_name ${NOTICES} NAME)

# An entry's heading: "libgcc.a, libgcc_eh.a: Debian package gcc-mingw-w64-i686-posix".
set(covered_names)
set(covered_packages)
file(STRINGS ${NOTICES} headings REGEX "^[^ ].*: Debian package [^ ]+$")
foreach(heading IN LISTS headings)
    string(REGEX MATCH "^(.*): Debian package (.*)$" ignored "${heading}")
    set(package ${CMAKE_MATCH_2})
    string(REPLACE ", " ";" names "${CMAKE_MATCH_1}")
    foreach(name IN LISTS names)
        list(APPEND covered_names "${name}")
        list(APPEND covered_packages ${package})
    endforeach()
endforeach()

set(problems)
# One problem, its text given in parts.
function(add_problem)
    string(CONCAT problem ${ARGN})
    set(problems ${problems} "${problem}" PARENT_SCOPE)
endfunction()

# Archive members are the lines of the map's first section that begin with "ARCHIVE(MEMBER)";
# start-up objects are LOAD lines. Relative paths, and paths in the build tree, are our own.
set(paths)
set(named_packages)
foreach(map IN LISTS MAPS)
    if(NOT EXISTS "${map}")
        message(FATAL_ERROR " no link map: ${map}")
    endif()
    get_filename_component(map_name ${map} NAME)
    file(STRINGS ${map} members REGEX "^[^ \t].*\\.a\\(")
    file(STRINGS ${map} objects REGEX "^LOAD .*\\.o$")
    list(TRANSFORM members REPLACE "\\.a\\(.*" ".a")
    list(TRANSFORM objects REPLACE "^LOAD " "")
    set(inputs ${members} ${objects})
    list(REMOVE_DUPLICATES inputs)
    foreach(input IN LISTS inputs)
        if(NOT IS_ABSOLUTE "${input}")
            continue()
        endif()
        file(REAL_PATH "${input}" path)
        cmake_path(IS_PREFIX BUILD_DIR "${path}" NORMALIZE ours)
        if(ours OR path IN_LIST paths)
            continue()
        endif()
        get_filename_component(name "${path}" NAME)
        list(FIND covered_names "${name}" index)
        if(index EQUAL -1)
            add_problem("${notices_name} has no entry for ${name}, which ${map_name} shows "
                        "linked in from ${path}")
            continue()
        endif()
        list(GET covered_packages ${index} package)
        list(APPEND paths "${path}")
        list(APPEND named_packages ${package})
    endforeach()
endforeach()

foreach(header_dir IN LISTS HEADERS)
    if(NOT "<${header_dir}/...>" IN_LIST covered_names)
        add_problem("${notices_name} has no entry for <${header_dir}/...>, the header-only "
                    "library compiled in from /usr/include/${header_dir}")
    endif()
endforeach()

# Each file must come from the package its entry names, or the notices are another's.
if(paths)
    execute_process(COMMAND dpkg-query -S ${paths} OUTPUT_VARIABLE owned ERROR_QUIET)
    # Lines "package[:arch][, package[:arch]...]: path".
    string(REPLACE "\n" ";" owned "${owned}")
    set(owners_of_path)
    foreach(path IN LISTS paths)
        set(owners "no Debian package")
        foreach(line IN LISTS owned)
            string(FIND "${line}" ": /" at)
            if(at GREATER 0)
                string(SUBSTRING "${line}" ${at} -1 tail)
                if(tail STREQUAL ": ${path}")
                    string(SUBSTRING "${line}" 0 ${at} owners)
                    string(REGEX REPLACE ":[a-z0-9]+(,|$)" "\\1" owners "${owners}")
                endif()
            endif()
        endforeach()
        list(APPEND owners_of_path "${owners}")
    endforeach()
    foreach(path package owners IN ZIP_LISTS paths named_packages owners_of_path)
        string(REPLACE ", " ";" owner_list "${owners}")
        if(NOT package IN_LIST owner_list)
            get_filename_component(name "${path}" NAME)
            add_problem("${name}: ${notices_name} names the Debian package ${package}, but "
                        "${path} belongs to ${owners}")
        endif()
    endforeach()
endif()

# One unwrapped line per problem, for the reader and for the tests that match them.
if(problems)
    foreach(problem IN LISTS problems)
        message("${problem}")
    endforeach()
    list(LENGTH problems count)
    message(FATAL_ERROR " ${NOTICES}: ${count} problems, each on a line above")
endif()
list(LENGTH paths files)
list(LENGTH HEADERS headers)
message("${NOTICES} covers the ${files} files linked in from outside the build tree and the "
        "${headers} header-only libraries")
