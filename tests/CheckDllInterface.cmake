# Checks what the shipped DLL shows a host: exactly the two exports, and imports from nothing but
# KERNEL32.dll and msvcrt.dll (everything else is linked in statically).
# Usage: cmake -DOBJDUMP=... -DLIBRARY=... -P CheckDllInterface.cmake
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${LIBRARY}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
list(SORT imports)
if(NOT imports STREQUAL "DLL Name: KERNEL32.dll;DLL Name: msvcrt.dll")
    message(FATAL_ERROR "unexpected imports: ${imports}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\r?\n(\t\\[[^\n]*\n)*" export_table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z_@0-9]+" exports "${export_table}")
string(REGEX REPLACE "\\[ *[0-9]+\\] " "" exports "${exports}")
if(NOT exports STREQUAL "getModuleProperties;makeModule")
    message(FATAL_ERROR "unexpected exports: ${exports}")
endif()
message(STATUS "imports: ${imports}; exports: ${exports}")
