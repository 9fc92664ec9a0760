# THIRD-PARTY-NOTICES.txt: the copyright and licence of what our binaries contain of others' work,
# in the words of the Debian packages it came from. On Windows the module DLL and qvhost.exe link
# the compiler's and mingw-w64's runtimes statically; qvhost compiles in two header-only libraries
# on every build. A binary distribution carries this file beside the binaries.
#
# Included by the top CMakeLists.txt: QV_THIRD_PARTY_NOTICES is the file's path in the build tree,
# made by the target third_party_notices (built with ALL), and qv_write_link_map(TARGET) has the
# linker say which archive members it took, for the check that the notices cover them
# (QVCheckThirdPartyNotices.cmake). Run with -DOUTPUT=<file> -DSTATIC_RUNTIME=ON|OFF -P, it writes
# the file: the same bytes wherever and whenever it runs on the same packages.

# What of each Debian package the binaries contain: archives and start-up objects as the link map
# names them, and <dir/...> for header-only libraries included from /usr/include/dir.
set(QV_THIRD_PARTY_PACKAGES
    "gcc-mingw-w64-i686-posix: libgcc.a libgcc_eh.a crtbegin.o crtend.o"
    "g++-mingw-w64-i686-posix: libstdc++.a"
    "mingw-w64-i686-dev: crt2.o dllcrt2.o libmingw32.a libmingwex.a libmoldname.a libmsvcrt.a
                         libkernel32.a libpthread.a libwinpthread.a libshell32.a"
    "libcli11-dev: <CLI/...>"
    "nlohmann-json3-dev: <nlohmann/...>"
)

if(NOT CMAKE_SCRIPT_MODE_FILE)
    set(QV_THIRD_PARTY_NOTICES ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt)
    # Only the Windows build links the runtimes statically; natively they are the system's shared
    # libraries, and the notices name the header-only libraries alone.
    if(WIN32)
        set(static_runtime ON)
    else()
        set(static_runtime OFF)
    endif()
    set(copyright_files)
    foreach(row IN LISTS QV_THIRD_PARTY_PACKAGES)
        if(static_runtime OR row MATCHES "<")
            string(REGEX REPLACE ":.*" "" package "${row}")
            list(APPEND copyright_files /usr/share/doc/${package}/copyright)
        endif()
    endforeach()
    add_custom_command(OUTPUT ${QV_THIRD_PARTY_NOTICES}
        COMMAND ${CMAKE_COMMAND} -DOUTPUT=${QV_THIRD_PARTY_NOTICES}
                -DSTATIC_RUNTIME=${static_runtime} -P ${CMAKE_CURRENT_LIST_FILE}
        DEPENDS ${CMAKE_CURRENT_LIST_FILE} ${copyright_files}
        COMMENT "Writing THIRD-PARTY-NOTICES.txt"
        VERBATIM)
    add_custom_target(third_party_notices ALL DEPENDS ${QV_THIRD_PARTY_NOTICES})
    unset(copyright_files)
    unset(static_runtime)

    # The link map TARGET.map beside the target's build files, also named by the target's
    # property QV_LINK_MAP. The linker writes it on the side: the binary's bytes stay the same.
    function(qv_write_link_map target)
        set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
        target_link_options(${target} PRIVATE -Wl,-Map=${map})
        set_target_properties(${target} PROPERTIES QV_LINK_MAP ${map} ADDITIONAL_CLEAN_FILES ${map})
    endfunction()
    return()
endif()

cmake_minimum_required(VERSION 3.25)

# Each package's section is headed by what the binaries contain of it; packages whose copyright
# files are the same (GCC's C and C++ compilers) share one section.
set(sections)
foreach(row IN LISTS QV_THIRD_PARTY_PACKAGES)
    string(REGEX MATCH "^([^:]+): (.*)$" ignored "${row}")
    set(package ${CMAKE_MATCH_1})
    separate_arguments(contents UNIX_COMMAND "${CMAKE_MATCH_2}")
    if(NOT STATIC_RUNTIME)
        list(FILTER contents INCLUDE REGEX "^<")
    endif()
    if(NOT contents)
        continue()
    endif()
    set(copyright /usr/share/doc/${package}/copyright)
    if(NOT EXISTS ${copyright})
        message(FATAL_ERROR "${copyright} is missing: is the package ${package} installed?")
    endif()
    file(SHA256 ${copyright} section)
    if(NOT section IN_LIST sections)
        list(APPEND sections ${section})
        set(copyright_of_${section} ${copyright})
    endif()
    list(JOIN contents ", " contents)
    string(APPEND heading_of_${section} "${contents}: Debian package ${package}\n")
endforeach()

set(rule "================================================================================\n")
set(notices "Third-party notices

The binaries built from this project contain the work of others listed below. On Windows,
Kestrel-Pavlen.qvm and qvhost.exe are linked statically: they contain parts of GCC's runtime
libraries (libgcc, libstdc++) and of the mingw-w64 runtime. qvhost also compiles in header-only
libraries, written here as <dir/...> for the headers it includes.

Each section is headed by what the binaries contain, one line per Debian package it came from,
followed by that package's copyright file (/usr/share/doc/PACKAGE/copyright) as Debian ships it.
Where a file refers to a licence under /usr/share/common-licenses/ on a Debian system, that is
the licence's standard text as its authors publish it.
")
foreach(section IN LISTS sections)
    file(READ ${copyright_of_${section}} text)
    string(APPEND notices "\n${rule}${heading_of_${section}}${rule}\n${text}")
endforeach()
file(WRITE ${OUTPUT} "${notices}")
