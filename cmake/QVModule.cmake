# How a module library is built and checked, the same in this tree and in an installed QVSdk
# package. Both provide the targets QVSdk::qv_sdk2 (the framework) and QVSdk::qvhost (the
# reference host): the package imports them, the tree makes them aliases of its own targets.
#
#   qv_add_module(NAME SOURCES src... [OUTPUT_NAME name])
#   qv_add_module_test(NAME)
#   qv_add_module_session_test(NAME SCRIPT [NATIVE_BUILD DIR] [TOLERANCE X])
include_guard(GLOBAL)

# A module library for the platform: NAME.qvm on Windows (a DLL linked statically), NAME.so
# elsewhere, in the top of the build tree, showing a host exactly getModuleProperties and
# makeModule. The build fails when the library exports anything else.
function(qv_add_module name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_NAME" "SOURCES")
    if(NOT arg_SOURCES)
        message(FATAL_ERROR "qv_add_module(${name}): SOURCES is empty")
    endif()
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "qv_add_module(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
    endif()

    add_library(${name} MODULE ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE QVSdk::qv_sdk2)
    set_target_properties(${name} PROPERTIES
        PREFIX ""
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    )
    if(arg_OUTPUT_NAME)
        set_target_properties(${name} PROPERTIES OUTPUT_NAME ${arg_OUTPUT_NAME})
    endif()

    if(WIN32)
        # The stack-realignment and SSE flags come with QVSdk::qv_sdk2. A host loads the DLL
        # alone: everything but the system's own DLLs is linked in.
        set_target_properties(${name} PROPERTIES SUFFIX ".qvm")
        # No time stamp in the PE header or the export directory: the same sources give the
        # same bytes whenever and wherever they are built.
        target_link_options(${name} PRIVATE -static -Wl,--exclude-libs,ALL
                            -Wl,--no-insert-timestamp $<$<CONFIG:Release>:-s>)
        set(interface_tool -DOBJDUMP=${CMAKE_OBJDUMP})
    else()
        set(version_script ${CMAKE_BINARY_DIR}/qv_module_exports.map)
        file(CONFIGURE OUTPUT ${version_script}
             CONTENT "{\n  global: getModuleProperties; makeModule;\n  local: *;\n};\n")
        target_link_options(${name} PRIVATE -Wl,--version-script=${version_script})
        set_target_properties(${name} PROPERTIES LINK_DEPENDS ${version_script})
        set(interface_tool -DNM=${CMAKE_NM})
    endif()

    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} ${interface_tool} -DLIBRARY=$<TARGET_FILE:${name}>
                -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/QVCheckModuleInterface.cmake
        VERBATIM)
endfunction()

# A CTest test in which the reference host's validator checks the module library of target NAME
# against the host contract, each check in a process of its own (through the cross build's
# emulator, wine, on Windows). It fails when any check fails, crashes or times out.
function(qv_add_module_test name)
    add_test(NAME ${name}_validate
        COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:QVSdk::qvhost>
                validate $<TARGET_FILE:${name}>)
endfunction()

# A CTest test that plays SCRIPT (a `qvhost play` script) on the module library of target NAME and
# writes what it played to NAME-session.csv in the top of the build tree. On the cross build with
# NATIVE_BUILD, the native build tree of the same project whose tests have run, a second test
# compares the two CSV files: the DLL under wine must play what the native library played, each
# value within TOLERANCE (0 unless given).
function(qv_add_module_session_test name script)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "NATIVE_BUILD;TOLERANCE" "")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "qv_add_module_session_test(${name}): unknown arguments "
                            "${arg_UNPARSED_ARGUMENTS}")
    endif()
    set(csv ${CMAKE_BINARY_DIR}/${name}-session.csv)
    add_test(NAME ${name}_session
        COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:QVSdk::qvhost>
                play $<TARGET_FILE:${name}> --script ${script} --csv ${csv})
    if(CMAKE_CROSSCOMPILING AND arg_NATIVE_BUILD)
        if(NOT arg_TOLERANCE)
            set(arg_TOLERANCE 0)
        endif()
        add_test(NAME ${name}_session_same_as_native
            COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:QVSdk::qvhost>
                    compare ${arg_NATIVE_BUILD}/${name}-session.csv ${csv}
                    --tolerance ${arg_TOLERANCE})
        set_tests_properties(${name}_session_same_as_native PROPERTIES DEPENDS ${name}_session)
    endif()
endfunction()
