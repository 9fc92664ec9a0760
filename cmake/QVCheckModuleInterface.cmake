# Checks what a module library shows a host: exactly the exports getModuleProperties and
# makeModule, undecorated. With IMPORTS, a Windows library must also import from exactly those
# DLLs (everything else linked in statically). With MAX_BYTES, the library may be no larger.
# Each refusal is one indented line, which CMake prints as it is: a long path never wraps it.
# Usage: cmake -DOBJDUMP=<objdump> (a DLL) or -DNM=<nm> (an ELF library) -DLIBRARY=<path>
#              [-DIMPORTS=KERNEL32.dll,msvcrt.dll] [-DMAX_BYTES=<n>] -P QVCheckModuleInterface.cmake
set(expected_exports "getModuleProperties;makeModule")

if(OBJDUMP)
    execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR " ${OBJDUMP} could not read ${LIBRARY}")
    endif()
    string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\r?\n(\t\\[[^\n]*\n)*" export_table
           "${dump}")
    string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_@0-9]+" exports "${export_table}")
    string(REGEX REPLACE "\\[ *[0-9]+\\] " "" exports "${exports}")

    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
    string(REPLACE "DLL Name: " "" imports "${imports}")
    list(SORT imports)
    list(JOIN imports "," imports)
    if(DEFINED IMPORTS AND NOT imports STREQUAL IMPORTS)
        message(FATAL_ERROR " ${LIBRARY}: unexpected imports: ${imports} (expected ${IMPORTS})")
    endif()
elseif(NM)
    execute_process(COMMAND ${NM} -D --defined-only --format=just-symbols ${LIBRARY}
                    OUTPUT_VARIABLE exports RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR " ${NM} could not read ${LIBRARY}")
    endif()
    string(STRIP "${exports}" exports)
    string(REPLACE "\n" ";" exports "${exports}")
else()
    message(FATAL_ERROR "give OBJDUMP or NM")
endif()

list(SORT exports)
if(NOT exports STREQUAL expected_exports)
    message(FATAL_ERROR " ${LIBRARY}: unexpected exports: ${exports} (a module library exports "
                        "exactly ${expected_exports}, marked QV_EXPORT ... QV_CDECL)")
endif()

if(DEFINED MAX_BYTES)
    file(SIZE ${LIBRARY} size)
    if(size GREATER MAX_BYTES)
        message(FATAL_ERROR " ${size} bytes, more than the limit of ${MAX_BYTES}: ${LIBRARY}")
    endif()
endif()
