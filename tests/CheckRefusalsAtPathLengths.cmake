# Runs the module interface check on copies of two libraries in folders whose paths differ in
# length by every amount from 0 to 40 characters, and expects each refusal on one line, whole:
# what a test matches must not depend on where the tree was cloned. OTHER_EXPORTS exports the
# wrong functions; MODULE is a good module library, refused for its size.
# Usage: cmake -DTOOL=-DNM=<nm>|-DOBJDUMP=<objdump> -DOTHER_EXPORTS=<path> -DMODULE=<path>
#              -DWORK=<dir> -DCHECK=<QVCheckModuleInterface.cmake> -P CheckRefusalsAtPathLengths.cmake
file(REMOVE_RECURSE ${WORK})
set(folder ${WORK}/p)
foreach(extra RANGE 0 40)
    file(MAKE_DIRECTORY ${folder})
    foreach(refusal exports size)
        if(refusal STREQUAL "size")
            set(library ${MODULE})
        else()
            set(library ${OTHER_EXPORTS})
        endif()
        get_filename_component(name ${library} NAME)
        file(COPY_FILE ${library} ${folder}/${name})
        string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" path "${folder}/${name}")
        if(refusal STREQUAL "size")
            set(limit -DMAX_BYTES=1024)
            set(expected "\n *[0-9]+ bytes, more than the limit of 1024: ${path}\n")
        else()
            set(limit "")
            string(CONCAT expected "\n *${path}: unexpected exports: getModuleProperties \\(a "
                "module library exports exactly getModuleProperties;makeModule, marked "
                "QV_EXPORT \\.\\.\\. QV_CDECL\\)\n")
        endif()
        execute_process(COMMAND ${CMAKE_COMMAND} ${TOOL} -DLIBRARY=${folder}/${name} ${limit}
                                -P ${CHECK}
                        RESULT_VARIABLE code ERROR_VARIABLE errors)
        if(code EQUAL 0 OR NOT errors MATCHES "${expected}")
            message(FATAL_ERROR " ${extra} characters more (exit ${code}): expected\n"
                                " ${expected}\n in\n${errors}")
        endif()
    endforeach()
    string(APPEND folder x)
endforeach()
file(REMOVE_RECURSE ${WORK})
