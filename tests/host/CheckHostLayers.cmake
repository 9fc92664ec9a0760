# The host's layers, each a folder of ROOT: engine/ (the reference host), sessions/ (playing a
# module over time), shell/ (the command line's parts), then a folder per command, then the
# program in ROOT itself. A source may include a header of its own folder or of a layer below;
# a command never includes another command's header. Every include that breaks this is named,
# and the check fails.
# Usage: cmake -DROOT=<host folder> -P CheckHostLayers.cmake
cmake_minimum_required(VERSION 3.25)

set(layers engine sessions shell)
file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/*.h ${ROOT}/*.cpp)

# A source's layer: 0 to 2 for the layers, 3 for a command, 4 for the program; and its part (the
# layer's or the command's name, "" for the program).
function(layer_of path out_layer out_part)
    string(FIND "${path}" "/" slash)
    if(slash EQUAL -1)
        set(${out_layer} 4 PARENT_SCOPE)
        set(${out_part} "" PARENT_SCOPE)
        return()
    endif()
    string(SUBSTRING "${path}" 0 ${slash} part)
    list(FIND layers ${part} index)
    if(index EQUAL -1)
        set(index 3)
    endif()
    set(${out_layer} ${index} PARENT_SCOPE)
    set(${out_part} ${part} PARENT_SCOPE)
endfunction()

foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME)
    set(path_of_${name} ${source})
endforeach()

set(crossings "")
foreach(source IN LISTS sources)
    layer_of(${source} layer part)
    file(STRINGS ${ROOT}/${source} includes REGEX "^#include \"[^\"]+\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
        get_filename_component(header ${header} NAME)
        if(NOT DEFINED path_of_${header})
            continue()
        endif()
        set(included ${path_of_${header}})
        layer_of(${included} included_layer included_part)
        if(included_layer GREATER layer)
            string(APPEND crossings "${source} includes ${included}: a layer above its own\n")
        elseif(layer EQUAL 3 AND included_layer EQUAL 3 AND NOT part STREQUAL included_part)
            string(APPEND crossings "${source} includes ${included}: another command's header\n")
        endif()
    endforeach()
endforeach()
if(crossings)
    message(FATAL_ERROR "includes that cross the host's layers:\n${crossings}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources keep to their layers")
